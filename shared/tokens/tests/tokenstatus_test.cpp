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

} // namespace
