#include "languagetag.h"

#include <gtest/gtest.h>

namespace {

struct TagRow
{
    const char *name;
    LanguageId language;
    const char *tag;
    const char *locale;
};

class LanguageTags : public testing::TestWithParam<TagRow>
{
};

TEST_P(LanguageTags, NameTheLanguageAndReadBack)
{
    const TagRow &row = GetParam();
    EXPECT_EQ(LanguageTag(row.language), row.tag);
    EXPECT_EQ(LocaleName(row.language), row.locale);
    // A neutral sub-language reads back as the language's default one.
    const auto back = LanguageFromTag(row.tag);
    ASSERT_TRUE(back);
    EXPECT_TRUE(SameLanguage(*back, row.language.sub == 0 ? LanguageId{row.language.primary, 1} : row.language));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LanguageTags,
    testing::Values(TagRow{"French", {12, 1}, "fr-FR", "fr_FR"}, TagRow{"FrenchCanada", {12, 3}, "fr-CA", "fr_CA"},
                    TagRow{"Russian", {25, 1}, "ru-RU", "ru_RU"}, TagRow{"German", {7, 1}, "de-DE", "de_DE"},
                    TagRow{"EnglishUS", {9, 1}, "en-US", "en_US"}, TagRow{"ChineseTaiwan", {4, 1}, "zh-TW", "zh_TW"},
                    TagRow{"SerbianCyrillic", {0x1A, 10}, "sr-Cyrl-RS", "sr_RS"},
                    TagRow{"Irish", {0x3C, 2}, "ga-IE", "ga_IE"}, TagRow{"NeutralFrench", {12, 0}, "fr", "fr"},
                    TagRow{"Unknown", {0x3FF, 7}, "x-lcid-1fff", ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct ReadRow
{
    const char *name;
    const char *tag;
    LanguageId language;
};

class TagReading : public testing::TestWithParam<ReadRow>
{
};

TEST_P(TagReading, TakesTheDefaultSubLanguageOfABareLanguage)
{
    const auto language = LanguageFromTag(GetParam().tag);
    ASSERT_TRUE(language);
    EXPECT_TRUE(SameLanguage(*language, GetParam().language))
        << language->primary << " " << language->sub;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TagReading,
    testing::Values(ReadRow{"Bare", "fr", {12, 1}}, ReadRow{"Locale", "pt_BR.UTF-8", {22, 1}},
                    ReadRow{"AnyCase", "DE-at", {7, 3}}, ReadRow{"UnknownRegion", "fr-CI", {12, 1}},
                    ReadRow{"SerbianLatin", "sr@latin", {0x1A, 9}}, ReadRow{"Nynorsk", "nn", {0x14, 2}},
                    ReadRow{"IrishDefault", "ga", {0x3C, 2}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TagReading, KnowsNoIdentifierForALanguageWindowsLacks)
{
    EXPECT_FALSE(LanguageFromTag("tlh"));
    EXPECT_FALSE(LanguageFromTag(""));
    EXPECT_EQ(LanguageName(12), "French");
}

} // namespace
