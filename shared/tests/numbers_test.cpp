#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct ParseCase
{
    const char *text;
    double value;
};

class LeadingNumberParse : public testing::TestWithParam<ParseCase>
{
};

TEST_P(LeadingNumberParse, Reads)
{
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LeadingNumberParse,
    testing::Values(ParseCase{"12", 12}, ParseCase{" 1 2", 12}, ParseCase{"\t1\n2 3x", 123}, ParseCase{"04", 4},
                    ParseCase{"", 0}, ParseCase{"abc", 0}, ParseCase{"x12", 0}, ParseCase{"-5", -5},
                    ParseCase{"+7", 7}, ParseCase{" - 3", -3}, ParseCase{"1200.5", 1200.5},
                    ParseCase{"1200,5", 1200}, ParseCase{"1.2.3", 1.2}, ParseCase{".5", 0.5},
                    ParseCase{"1e3", 1000}, ParseCase{"1E-2", 0.01}, ParseCase{"2e", 2}, ParseCase{"2e+", 2},
                    ParseCase{"3ex", 3}, ParseCase{"4.0", 4}, ParseCase{"-", 0}, ParseCase{".", 0},
                    ParseCase{"1|2", 1}, ParseCase{"\r5", 0}, ParseCase{"1e999", HUGE_VAL},
                    ParseCase{"1e-999", 0}));

struct RoundCase
{
    double value;
    std::int64_t rounded;
};

class HalfEven : public testing::TestWithParam<RoundCase>
{
};

TEST_P(HalfEven, Rounds)
{
    EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().rounded) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Rules, HalfEven,
                         testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{-0.5, 0},
                                         RoundCase{-1.5, -2}, RoundCase{52.525, 53}, RoundCase{2.4999, 2},
                                         RoundCase{70000, 70000}, RoundCase{-40000, -40000},
                                         RoundCase{1e300, std::numeric_limits<std::int64_t>::max()},
                                         RoundCase{-1e300, std::numeric_limits<std::int64_t>::min()},
                                         RoundCase{std::nan(""), 0}));

TEST(NumberToText, FewestDigitsAndSeparator)
{
    EXPECT_EQ(NumberToText(1200.0f), "1200");
    EXPECT_EQ(NumberToText(-1500.0f), "-1500");
    EXPECT_EQ(NumberToText(1200.5f), "1200.5");
    EXPECT_EQ(NumberToText(1200.5f, ','), "1200,5");
    EXPECT_EQ(NumberToText(0.0f), "0");
    EXPECT_EQ(NumberToText(-0.0f), "0");
    EXPECT_EQ(NumberToText(0.1f), "0.1");
}

TEST(NumberToText, ReadsBackThroughTheLeadingNumberParse)
{
    for (float v : {5212.5f, -100.0f, 8775.0f, 123456.75f, 0.25f}) {
        EXPECT_FLOAT_EQ(static_cast<float>(LeadingNumber(NumberToText(v))), v);
    }
    // Written with a decimal comma, the fraction is lost on reading.
    EXPECT_FLOAT_EQ(static_cast<float>(LeadingNumber(NumberToText(5212.5f, ','))), 5212.0f);
}

TEST(IntegerToText, PlainDecimal)
{
    EXPECT_EQ(IntegerToText(4), "4");
    EXPECT_EQ(IntegerToText(-12), "-12");
    EXPECT_EQ(IntegerToText(70000), "70000");
}

} // namespace
