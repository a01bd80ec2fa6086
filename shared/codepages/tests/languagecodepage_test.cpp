#include "languagecodepage.h"

#include <gtest/gtest.h>

namespace {

struct LanguageRow
{
    const char *name;
    unsigned primary;
    unsigned sub;
    unsigned codePage;
};

class LanguageTable : public testing::TestWithParam<LanguageRow>
{
};

TEST_P(LanguageTable, GivesTheLocalesAnsiCodePage)
{
    const LanguageRow &row = GetParam();
    EXPECT_EQ(AnsiCodePage(row.primary, row.sub), row.codePage);
}

// Windows' locales (language identifier, ANSI code page), every primary language
// of the table and every sub-language that changes the code page.
INSTANTIATE_TEST_SUITE_P(
    Rows, LanguageTable,
    testing::Values(
        LanguageRow{"Arabic_SaudiArabia", 0x01, 0x01, 1256}, LanguageRow{"Arabic_Egypt", 0x01, 0x03, 1256},
        LanguageRow{"Bulgarian", 0x02, 0x01, 1251}, LanguageRow{"Czech", 0x05, 0x01, 1250},
        LanguageRow{"Greek", 0x08, 0x01, 1253}, LanguageRow{"Hebrew", 0x0D, 0x01, 1255},
        LanguageRow{"Hungarian", 0x0E, 0x01, 1250}, LanguageRow{"Japanese", 0x11, 0x01, 932},
        LanguageRow{"Korean", 0x12, 0x01, 949}, LanguageRow{"Polish", 0x15, 0x01, 1250},
        LanguageRow{"Romanian", 0x18, 0x01, 1250}, LanguageRow{"Russian", 0x19, 0x01, 1251},
        LanguageRow{"Slovak", 0x1B, 0x01, 1250}, LanguageRow{"Albanian", 0x1C, 0x01, 1250},
        LanguageRow{"Thai", 0x1E, 0x01, 874}, LanguageRow{"Turkish", 0x1F, 0x01, 1254},
        LanguageRow{"Urdu", 0x20, 0x01, 1256}, LanguageRow{"Ukrainian", 0x22, 0x01, 1251},
        LanguageRow{"Belarusian", 0x23, 0x01, 1251}, LanguageRow{"Slovenian", 0x24, 0x01, 1250},
        LanguageRow{"Estonian", 0x25, 0x01, 1257}, LanguageRow{"Latvian", 0x26, 0x01, 1257},
        LanguageRow{"Lithuanian", 0x27, 0x01, 1257}, LanguageRow{"Tajik", 0x28, 0x01, 1251},
        LanguageRow{"Persian", 0x29, 0x01, 1256}, LanguageRow{"Vietnamese", 0x2A, 0x01, 1258},
        LanguageRow{"Macedonian", 0x2F, 0x01, 1251}, LanguageRow{"Kazakh", 0x3F, 0x01, 1251},
        LanguageRow{"Kyrgyz", 0x40, 0x01, 1251}, LanguageRow{"Turkmen", 0x42, 0x01, 1250},
        LanguageRow{"Tatar", 0x44, 0x01, 1251}, LanguageRow{"Bashkir", 0x6D, 0x01, 1251},
        LanguageRow{"Uyghur", 0x80, 0x01, 1256}, LanguageRow{"Yakut", 0x85, 0x01, 1251},
        LanguageRow{"Dari", 0x8C, 0x01, 1256},
        // Chinese: the sub-language decides.
        LanguageRow{"Chinese_Neutral", 0x04, 0x00, 936}, LanguageRow{"Chinese_Taiwan", 0x04, 0x01, 950},
        LanguageRow{"Chinese_PRC", 0x04, 0x02, 936}, LanguageRow{"Chinese_HongKong", 0x04, 0x03, 950},
        LanguageRow{"Chinese_Singapore", 0x04, 0x04, 936}, LanguageRow{"Chinese_Macao", 0x04, 0x05, 950},
        LanguageRow{"Chinese_Traditional", 0x04, 0x1F, 950}, LanguageRow{"Chinese_UnknownSub", 0x04, 0x09, 1252},
        // Croatian, Serbian and Bosnian share a primary language.
        LanguageRow{"Croatian_Neutral", 0x1A, 0x00, 1250}, LanguageRow{"Croatian", 0x1A, 0x01, 1250},
        LanguageRow{"Serbian_Latin", 0x1A, 0x02, 1250}, LanguageRow{"Serbian_Cyrillic", 0x1A, 0x03, 1251},
        LanguageRow{"Croatian_Bosnia", 0x1A, 0x04, 1250}, LanguageRow{"Bosnian_Latin", 0x1A, 0x05, 1250},
        LanguageRow{"Serbian_Bosnia_Latin", 0x1A, 0x06, 1250}, LanguageRow{"Serbian_Bosnia_Cyrillic", 0x1A, 0x07, 1251},
        LanguageRow{"Bosnian_Cyrillic", 0x1A, 0x08, 1251}, LanguageRow{"Serbian_Serbia_Latin", 0x1A, 0x09, 1250},
        LanguageRow{"Serbian_Serbia_Cyrillic", 0x1A, 0x0A, 1251},
        LanguageRow{"Serbian_Montenegro_Latin", 0x1A, 0x0B, 1250},
        LanguageRow{"Serbian_Montenegro_Cyrillic", 0x1A, 0x0C, 1251},
        LanguageRow{"Bosnian_CyrillicScript", 0x1A, 0x19, 1251}, LanguageRow{"Bosnian_LatinScript", 0x1A, 0x1A, 1250},
        LanguageRow{"Serbian_CyrillicScript", 0x1A, 0x1B, 1251}, LanguageRow{"Serbian_LatinScript", 0x1A, 0x1C, 1250},
        // Azeri, Uzbek and Mongolian: Latin or Cyrillic.
        LanguageRow{"Azeri_Latin", 0x2C, 0x01, 1254}, LanguageRow{"Azeri_Cyrillic", 0x2C, 0x02, 1251},
        LanguageRow{"Azeri_CyrillicScript", 0x2C, 0x1D, 1251}, LanguageRow{"Azeri_Neutral", 0x2C, 0x00, 1254},
        LanguageRow{"Uzbek_Latin", 0x43, 0x01, 1254}, LanguageRow{"Uzbek_Cyrillic", 0x43, 0x02, 1251},
        LanguageRow{"Uzbek_CyrillicScript", 0x43, 0x1E, 1251}, LanguageRow{"Mongolian_Cyrillic", 0x50, 0x01, 1251},
        LanguageRow{"Mongolian_Traditional", 0x50, 0x02, 1252},
        // Western languages, Unicode-only locales and unknown identifiers: 1252.
        LanguageRow{"English_US", 0x09, 0x01, 1252}, LanguageRow{"French", 0x0C, 0x01, 1252},
        LanguageRow{"German", 0x07, 0x01, 1252}, LanguageRow{"Catalan", 0x03, 0x01, 1252},
        LanguageRow{"Neutral", 0x00, 0x00, 1252}, LanguageRow{"Armenian", 0x2B, 0x01, 1252},
        LanguageRow{"Hindi", 0x39, 0x01, 1252}, LanguageRow{"UserDefined", 0x200, 0x01, 1252},
        LanguageRow{"Unknown", 0x3FF, 0x3F, 1252}),
    [](const testing::TestParamInfo<LanguageRow> &info) { return std::string(info.param.name); });

TEST(LanguageTable, NeutralAndDefaultSubLanguagesKeepTheLanguagesCodePage)
{
    // Resources are often held under the neutral sub-language (LANGUAGE 25, 0).
    EXPECT_EQ(AnsiCodePage(0x19, 0x00), 1251u);
    EXPECT_EQ(AnsiCodePage(0x11, 0x00), 932u);
    EXPECT_EQ(AnsiCodePage(0x08, 0x00), 1253u);
    EXPECT_EQ(AnsiCodePage(0x01, 0x00), 1256u);
}

TEST(LanguageLine, ReadsTheSecondAndThirdWords)
{
    EXPECT_EQ(CodePageOfLanguageLine("LANGUAGE 25 1"), 1251u);
    EXPECT_EQ(CodePageOfLanguageLine("LANGUAGE 17 0"), 932u);
    EXPECT_EQ(CodePageOfLanguageLine("LANGUAGE 4 2"), 936u);
    EXPECT_EQ(CodePageOfLanguageLine("LANGUAGE 4 1"), 950u);
    EXPECT_EQ(CodePageOfLanguageLine("LANGUAGE 12 1"), 1252u);
    EXPECT_EQ(CodePageOfLanguageLine("X 26 10 more words"), 1251u);
    const auto id = ParseLanguageLine("LANGUAGE 025 01");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(id->primary, 25u);
    EXPECT_EQ(id->sub, 1u);
}

TEST(LanguageLine, WithoutTwoNumbersGives1252)
{
    for (const char *line : {"", "LANGUAGE", "LANGUAGE 25", "LANGUAGE  25 1", "LANGUAGE 25  1", "LANGUAGE 25, 1",
                             "LANGUAGE x 1", "LANGUAGE 25 -1", "LANGUAGE 1024 1", "LANGUAGE 25 64",
                             "LANGUAGE 99999999999999999999 1", "LANGUAGE\t25\t1"}) {
        EXPECT_FALSE(ParseLanguageLine(line).has_value()) << line;
        EXPECT_EQ(CodePageOfLanguageLine(line), 1252u) << line;
    }
}

TEST(LanguageId, PacksAndUnpacks)
{
    EXPECT_EQ(MakeLanguageId(0x19, 0x01), 0x0419u);
    EXPECT_EQ(MakeLanguageId(0x04, 0x1F), 0x7C04u);
    EXPECT_EQ(PrimaryLanguageOf(0x0804), 0x04u);
    EXPECT_EQ(SubLanguageOf(0x0804), 0x02u);
}

} // namespace
