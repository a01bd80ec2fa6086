#include "tokenescape.h"
#include "tokenline.h"

#include <gtest/gtest.h>

namespace {

const CodePage &japanese = CodePage::get(932);
const CodePage &simplified = CodePage::get(936);
const CodePage &traditional = CodePage::get(950);
const CodePage &korean = CodePage::get(949);

struct DoubleByteCase
{
    const char *name;
    unsigned codePage;
    std::u16string text;
    std::string bytes; // the escaped text
};

class DoubleByteTexts : public testing::TestWithParam<DoubleByteCase>
{
};

// Characters whose trail byte is '\', ']' or '|' are written as their bytes and
// read back as themselves; a real backslash is still escaped.
TEST_P(DoubleByteTexts, EscapeAndUnescapeOnCharacters)
{
    const DoubleByteCase &c = GetParam();
    const CodePage &cp = CodePage::get(c.codePage);
    EXPECT_EQ(EscapeText(c.text, cp), c.bytes);
    EXPECT_EQ(UnescapeText(c.bytes, cp), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    TrailBytes, DoubleByteTexts,
    testing::Values(
        // ソ 0x835C, ゾ 0x835D, ポ 0x837C, ー 0x815B
        DoubleByteCase{"Japanese", 932, u"\u30BD\u30BE\u30DD\u30FC", "\x83\x5C\x83\x5D\x83\x7C\x81\x5B"},
        // ソ then n: the trail byte and the n are no line feed escape
        DoubleByteCase{"JapaneseBeforeN", 932, u"\u30BDn\u30BDt", "\x83\x5Cn\x83\x5Ct"},
        // ソ then u0041: no \u escape either
        DoubleByteCase{"JapaneseBeforeU", 932, u"\u30BDu0041", "\x83\x5Cu0041"},
        DoubleByteCase{"JapaneseAndBackslash", 932, u"\u30BD\\n\u30DD\n", "\x83\x5C\\\\n\x83\x7C\\n"},
        // 乗 0x815C, 乚 0x815D, 亅 0x817C
        DoubleByteCase{"Simplified", 936, u"\u4E57\u4E5A\u4E85\\", "\x81\x5C\x81\x5D\x81\x7C\\\\"},
        // α 0xA35C, β 0xA35D, ㄍ 0xA37C, 許 0xB35C
        DoubleByteCase{"Traditional", 950, u"\u03B1\u03B2\u310D\u8A31n", "\xA3\x5C\xA3\x5D\xA3\x7C\xB3\x5Cn"},
        DoubleByteCase{"Korean", 949, u"\uAC00\\\uAC02", "\xB0\xA1\\\\\x81\x41"},
        // What the code page cannot hold is escaped, beyond the first plane as two units.
        DoubleByteCase{"JapaneseEscapes", 932, u"\u0105\u00E9\U0001F600", "\\u0105\\u00E9\\uD83D\\uDE00"},
        DoubleByteCase{"JapaneseHasCyrillic", 932, u"\u0416", "\x84\x47"},
        DoubleByteCase{"Cyrillic", 1251, u"\u0424\u0430\u0439\u043B \u00E9\t", "\xD4\xE0\xE9\xEB \\u00E9\\t"}),
    [](const testing::TestParamInfo<DoubleByteCase> &info) { return std::string(info.param.name); });

TEST(FieldEscapes, DoubleByteCharactersWithSeparatorBytesAreEscaped)
{
    // ポ ends in '|', ゾ in ']', ー in '[': the line parse would cut the field there.
    EXPECT_EQ(EscapeField(u"\u30DD\u30BE\u30FC\u30A2", japanese), "\\u30DD\\u30BE\\u30FC\x83\x41");
    // ソ ends in '\', which the parse does not look for.
    EXPECT_EQ(EscapeField(u"\u30BD", japanese), "\x83\x5C");
    EXPECT_EQ(EscapeField(u"\u4E85\u4E5A", simplified), "\\u4E85\\u4E5A");
    EXPECT_EQ(EscapeField(u"\u310D\u03B1", traditional), "\\u310D\xA3\x5C");
    EXPECT_EQ(EscapeField(u"a|b=c]d[e"), "a\\u007Cb\\u003Dc\\u005Dd\\u005Be");
}

TEST(FieldEscapes, EscapedFieldsKeepTheLineParseRight)
{
    const std::string field6 = EscapeField(u"\u30DD\u30BE\u30BD", japanese);
    const std::string text = EscapeText(u"\u30DD|\u30BE]=\u30BD", japanese);
    const std::string line = "[[16|1|" + EscapeField(u"041104B0", japanese) + "|0|4|" + field6 + "]]=" + text;
    TokenTable table;
    ASSERT_EQ(AjouteToken(line, table), TokenLineStatus::Ok);
    EXPECT_EQ(table.cell(1, ColId6), field6);
    EXPECT_EQ(table.cell(1, ColText), text);
    EXPECT_EQ(UnescapeText(std::string(table.cell(1, ColId6)), japanese), u"\u30DD\u30BE\u30BD");
    EXPECT_EQ(UnescapeText(std::string(table.cell(1, ColText)), japanese), u"\u30DD|\u30BE]=\u30BD");
}

TEST(Escapes, StandInsOfTheTextAreEscapedNotWritten)
{
    // A lone surrogate in a resource text is a character to keep, not a byte.
    const std::u16string text{u'a', CodePage::standIn(0xAA), u'b'};
    EXPECT_EQ(EscapeText(text, CodePage::get(1253)), "a\\uDCAAb");
    EXPECT_EQ(UnescapeText("a\\uDCAAb", CodePage::get(1253)), text);
}

TEST(Escapes, UndefinedBytesOfAFileSurviveUnescaping)
{
    // 0xAA is no Greek character: read as its stand-in, written back as the byte.
    const CodePage &greek = CodePage::get(1253);
    const std::u16string text = UnescapeText("x\xAAy", greek);
    EXPECT_EQ(greek.encode(text), std::string("x\xAAy"));
}

TEST(Escapes, Windows1252IsAsBefore)
{
    const std::u16string text = u"Caf\u00E9 \u20AC \\ \t \u0416 \U0001F600";
    const std::string escaped = EscapeText(text);
    EXPECT_EQ(escaped, "Caf\xE9 \x80 \\\\ \\t \\u0416 \\uD83D\\uDE00");
    EXPECT_EQ(UnescapeText(escaped), text);
    EXPECT_EQ(UnescapeText("\\q \\u12 x\\"), u"\\q \\u12 x\\");
}

TEST(Transcode, MovesTextsBetweenCodePages)
{
    const CodePage &cyrillic = CodePage::get(1251);
    const CodePage &western = CodePage::get(1252);
    // Cyrillic letters stored in 1251 become escapes in 1252, and back.
    EXPECT_EQ(TranscodeText("\xD4\xE0\xE9\xEB", cyrillic, western), "\\u0424\\u0430\\u0439\\u043B");
    EXPECT_EQ(TranscodeText("\\u0424\\u0430\\u0439\\u043B", western, cyrillic), "\xD4\xE0\xE9\xEB");
    EXPECT_EQ(TranscodeText("Caf\xE9", western, cyrillic), "Caf\\u00E9");
    EXPECT_EQ(TranscodeText("\x83\x5C\\n", japanese, western), "\\u30BD\\n");
    EXPECT_EQ(TranscodeField("\xC9", western, japanese), "\\u00C9");
    // The same code page keeps the bytes, odd escapes included.
    EXPECT_EQ(TranscodeText("\\q\xFF", cyrillic, cyrillic), "\\q\xFF");
    EXPECT_EQ(TranscodeText("\xB0\xA1", korean, korean), "\xB0\xA1");
}

TEST(Transcode, KeyCellsOfATable)
{
    TokenTable table;
    ASSERT_EQ(AjouteToken("[[16|1|040904B0|0|1|Fen\xEAtre]]=x\xEA", table), TokenLineStatus::Ok);
    ASSERT_EQ(AjouteToken("[[4|MEN\xDA|1|0|1|]]=y", table), TokenLineStatus::Ok);
    ASSERT_EQ(AjouteToken("[[6|1|a]b|0|1|]]=z", table), TokenLineStatus::Ok);
    TranscodeKeyCells(table, CodePage::get(1252), CodePage::get(1251));
    EXPECT_EQ(table.cell(1, ColId6), "Fen\\u00EAtre");
    EXPECT_EQ(table.cell(1, ColText), "x\xEA"); // texts are not keys
    EXPECT_EQ(table.cell(2, ColId2), "MEN\\u00DA");
    EXPECT_EQ(table.cell(3, ColId3), "a]b"); // plain ASCII stays as the file has it
    EXPECT_EQ(table.cell(3, ColText), "z");
}

} // namespace
