#include "listing/tokenfilter.h"

#include <gtest/gtest.h>

namespace {

TEST(FilterTag, ModesFromTags)
{
    auto f = ParseFilterTag("all", "All tokens");
    EXPECT_EQ(f.mode, TokenFilter::All);
    f = ParseFilterTag("byType Menu", "Menu");
    EXPECT_EQ(f.mode, TokenFilter::ByType);
    EXPECT_TRUE(f.type == TokenType::Menu);
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
    EXPECT_TRUE(PassesFilter(f, 0, TokenType::Other));
    EXPECT_FALSE(PassesFilter(f, 0, TokenType::Menu));
    EXPECT_FALSE(PassesFilter(ParseFilterTag("byType Unknow type", "unknow type"), 0, TokenType::Other));
}

TEST(FilterTag, StatusNodes)
{
    const auto translated = ParseFilterTag("byStatus 7 4", "");
    const auto nonTranslated = ParseFilterTag("byStatus 1 1", "");
    const auto readOnly = ParseFilterTag("byStatus 2 2", "");
    for (std::int64_t s = 0; s < 8; ++s) {
        EXPECT_EQ(PassesFilter(translated, s, TokenType::Other), s == 4) << s;
        EXPECT_EQ(PassesFilter(nonTranslated, s, TokenType::Other), s == 1 || s == 3 || s == 5 || s == 7) << s;
        EXPECT_EQ(PassesFilter(readOnly, s, TokenType::Other), s == 2 || s == 3 || s == 6 || s == 7) << s;
    }
}

TEST(ReadOnlyRule, HiddenUnlessUntranslatedOrShown)
{
    for (std::int64_t s = 0; s < 8; ++s) {
        EXPECT_TRUE(IsListed(s, true));
        EXPECT_EQ(IsListed(s, false), s != 2 && s != 6) << s;
    }
}

} // namespace
