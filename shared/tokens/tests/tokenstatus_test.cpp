#include "tokenstatus.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusName, EightNamesThenNumbers)
{
    const char *expected[8] = {"",          "Non-translated", "Read-only", "Read-only",
                               "Translated", "Non-translated", "Read-only", "Read-only"};
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(StatusName(s), expected[s]) << s;
    EXPECT_EQ(StatusName(8), "8");
    EXPECT_EQ(StatusName(-1), "-1");
    EXPECT_EQ(StatusName(70000), "70000");
}

TEST(StatusOf, LeadingNumberRounded)
{
    EXPECT_EQ(StatusOf("04"), 4);
    EXPECT_EQ(StatusOf(""), 0);
    EXPECT_EQ(StatusOf("x"), 0);
    EXPECT_EQ(StatusOf("2.5"), 2);
    EXPECT_EQ(StatusOf("3.5"), 4);
    EXPECT_EQ(StatusOf("70000"), 70000);
}

TEST(TypeName, FromTheNumberOfField1)
{
    EXPECT_STREQ(TypeName("4"), "Menu");
    EXPECT_STREQ(TypeName("4.0"), "Menu");
    EXPECT_STREQ(TypeName(" 5"), "Dialog");
    EXPECT_STREQ(TypeName("6"), "String");
    EXPECT_STREQ(TypeName("16"), "Version");
    EXPECT_STREQ(TypeName("4.5"), "Unknow type");
    EXPECT_STREQ(TypeName("3"), "Unknow type");
    EXPECT_STREQ(TypeName(""), "Unknow type");
    EXPECT_STREQ(TypeName("abc"), "Unknow type");
}

struct LookCase
{
    std::int64_t status;
    TokenLook previous;
    TokenLook expected;
};

// Names the case by its status, so that the test's name stays the same from build to build.
void PrintTo(const LookCase &c, std::ostream *os)
{
    *os << "status " << c.status;
}

class Look : public testing::TestWithParam<LookCase>
{
};

TEST_P(Look, FromStatusAndPreviousLook)
{
    EXPECT_TRUE(LookForStatus(GetParam().previous, GetParam().status) == GetParam().expected) << GetParam().status;
}

constexpr TokenLook plain{};
constexpr TokenLook redBold{true, LookColor::Red, true, LookColor::Red};

INSTANTIATE_TEST_SUITE_P(
    Flags, Look,
    testing::Values(LookCase{1, plain, redBold}, LookCase{4, redBold, plain},
                    // 3: bold, grey item, bold red status, not editable in place
                    LookCase{3, plain, {true, LookColor::GrayText, true, LookColor::Red, true}},
                    // 6: plain grey item, window-text status
                    LookCase{6, redBold, {false, LookColor::GrayText, false, LookColor::WindowText, true}},
                    // 2 greys the item and leaves the rest as it was
                    LookCase{2, redBold, {true, LookColor::GrayText, true, LookColor::Red, true}},
                    // a status without the read-only flag makes an item editable again
                    LookCase{4, {false, LookColor::GrayText, false, LookColor::WindowText, true}, plain},
                    LookCase{0, redBold, redBold}, LookCase{0, plain, plain},
                    // 5: non-translated wins over translated
                    LookCase{5, plain, redBold}, LookCase{8, redBold, redBold}));

TEST(FilterTag, ModesFromTags)
{
    auto f = ParseFilterTag("all", "All tokens");
    EXPECT_EQ(f.mode, TokenFilter::All);
    f = ParseFilterTag("byType Menu", "Menu");
    EXPECT_EQ(f.mode, TokenFilter::ByType);
    EXPECT_EQ(f.typeName, "Menu");
    f = ParseFilterTag("byStatus 7 4", "Translated");
    EXPECT_EQ(f.mode, TokenFilter::ByStatus);
    EXPECT_EQ(f.mask, 7);
    EXPECT_EQ(f.value, 4);
    f = ParseFilterTag("byStatus 12 10", "x");
    EXPECT_EQ(f.mask, 12);
    EXPECT_EQ(f.value, 10);
    f = ParseFilterTag("byStatus", "x");
    EXPECT_EQ(f.mask, 0);
    EXPECT_EQ(f.value, 0);
}

TEST(FilterTag, TypeModeMatchesTheNodeText)
{
    const auto f = ParseFilterTag("byType Unknow type", "Unknow type");
    EXPECT_TRUE(PassesFilter(f, 0, "Unknow type"));
    EXPECT_FALSE(PassesFilter(f, 0, "Menu"));
    EXPECT_FALSE(PassesFilter(f, 0, "unknow type"));
}

TEST(FilterTag, StatusNodes)
{
    const auto translated = ParseFilterTag("byStatus 7 4", "");
    const auto nonTranslated = ParseFilterTag("byStatus 1 1", "");
    const auto readOnly = ParseFilterTag("byStatus 2 2", "");
    for (std::int64_t s = 0; s < 8; ++s) {
        EXPECT_EQ(PassesFilter(translated, s, ""), s == 4) << s;
        EXPECT_EQ(PassesFilter(nonTranslated, s, ""), s == 1 || s == 3 || s == 5 || s == 7) << s;
        EXPECT_EQ(PassesFilter(readOnly, s, ""), s == 2 || s == 3 || s == 6 || s == 7) << s;
    }
}

TEST(ReadOnlyRule, HiddenUnlessUntranslatedOrShown)
{
    for (std::int64_t s = 0; s < 8; ++s) {
        EXPECT_TRUE(IsListed(s, true));
        EXPECT_EQ(IsListed(s, false), s != 2 && s != 6) << s;
    }
}

TEST(TranslatedBox, StatusFromBoxes)
{
    EXPECT_EQ(TranslatedBoxStatus(false, false), 1);
    EXPECT_EQ(TranslatedBoxStatus(false, true), 4);
    EXPECT_EQ(TranslatedBoxStatus(true, false), 3);
    EXPECT_EQ(TranslatedBoxStatus(true, true), 6);
}

} // namespace
