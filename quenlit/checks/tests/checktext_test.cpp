#include "checks/checktext.h"
#include "codepage.h"

#include <gtest/gtest.h>

using namespace checktext;

namespace {

std::u16string logical(const std::string &bytes)
{
    return Logical(bytes, CodePage::windows1252());
}

std::string placeholders(const std::string &bytes)
{
    std::string out;
    for (const auto &p : Placeholders(logical(bytes)))
        out += (out.empty() ? "" : " ") + ToUtf8(p);
    return out;
}

struct PlaceholderRow
{
    const char *name;
    const char *text;
    const char *expected;
};

class PlaceholderTest : public testing::TestWithParam<PlaceholderRow>
{
};

TEST_P(PlaceholderTest, Found)
{
    EXPECT_EQ(placeholders(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlaceholderTest,
    testing::Values(PlaceholderRow{"Plain", "Open %s", "%s"}, PlaceholderRow{"Sorted", "%s: %d of %d", "%d %d %s"},
                    PlaceholderRow{"PercentPercentIsLiteral", "100%% done", ""},
                    PlaceholderRow{"ProseWithBlankIsNone", "50% done", ""},
                    PlaceholderRow{"FrenchBlankBeforePercent", "50 % effectu\xE9s", ""},
                    PlaceholderRow{"FlagsWidthPrecision", "%-5.2f|%08lx|%*d", "%*d %-5.2f %08lx"},
                    PlaceholderRow{"WideAndSized", "%ls %hs %I64d %S %ws", "%I64d %S %hs %ls %ws"},
                    PlaceholderRow{"FormatMessage", "%1 copied to %2", "%1 %2"},
                    PlaceholderRow{"FormatMessageWithFormat", "%1!d! of %2!s!", "%1!d! %2!s!"},
                    PlaceholderRow{"FormatMessageTwoDigits", "%12 and %3", "%12 %3"},
                    PlaceholderRow{"LoneAndTrailingPercent", "% and 100%", ""},
                    PlaceholderRow{"PercentBeforePercentPlaceholder", "%%%d", "%d"}),
    [](const testing::TestParamInfo<PlaceholderRow> &info) { return std::string(info.param.name); });

TEST(Placeholders, SpaceFlagOnlyInFormatStrings)
{
    EXPECT_TRUE(Placeholders(u"50 % done").empty());
    EXPECT_EQ(Placeholders(u"50 % done", true), std::vector<std::u16string>{u"% d"});
    EXPECT_TRUE(IsFormatString(u"100%%"));
    EXPECT_TRUE(IsFormatString(u"%1 files"));
    EXPECT_FALSE(IsFormatString(u"50% done"));
}

TEST(AccessKeys, MarkersLiteralsAndBlanks)
{
    struct Row
    {
        const char *text;
        std::size_t count;
        char16_t first;
    };
    const Row rows[] = {
        {"&Open", 1, u'O'},      {"Op&en", 1, u'e'},       {"Tom && Jerry", 0, 0},   {"R&&D &Tools", 1, u'T'},
        {"Drag & Drop", 0, 0},   {"Trailing&", 0, 0},      {"&One &Two", 2, u'O'},   {"&&&x", 1, u'x'},
        {"\xC9&t\xE9", 1, u't'}, {"&\xC9t\xE9", 1, 0xC9},  {"No key", 0, 0},
    };
    for (const Row &row : rows) {
        const AccessKeys keys = FindAccessKeys(logical(row.text));
        EXPECT_EQ(keys.count, row.count) << row.text;
        EXPECT_EQ(keys.first, row.first) << row.text;
    }
}

TEST(Escapes, ResolvedBeforeCounting)
{
    EXPECT_EQ(logical("a\\tb\\nc\\rd\\\\e\\u20ACf"), u"a\tb\nc\rd\\e\u20ACf");
    // An escaped backslash before an n is no line feed.
    const EscapeCounts counts = CountEscapes(logical("C:\\\\new\\n"));
    EXPECT_EQ(counts.lineFeeds, 1u);
    EXPECT_EQ(counts.tabs, 0u);
    EXPECT_EQ(logical("bad \\u12 and \\x"), u"bad \\u12 and \\x");
}

TEST(Shortcuts, KeyAfterTheLastPlus)
{
    const std::u16string text = logical("&Open...\\tCtrl+Shift+O");
    const Shortcut s = SplitShortcut(text);
    EXPECT_TRUE(s.present);
    EXPECT_EQ(s.label, u"&Open...");
    EXPECT_EQ(ShortcutKey(s.keys), u"O");
    EXPECT_EQ(ShortcutKey(u"Ctrl++"), u"+");
    EXPECT_EQ(ShortcutKey(u"F1"), u"F1");
    EXPECT_EQ(ShortcutKey(u" Ctrl + S "), u"S");
    EXPECT_FALSE(SplitShortcut(u"No shortcut").present);
    EXPECT_TRUE(IsNeutralKey(u"O"));
    EXPECT_TRUE(IsNeutralKey(u"F12"));
    EXPECT_TRUE(IsNeutralKey(u"+"));
    EXPECT_FALSE(IsNeutralKey(u"Del"));
    EXPECT_FALSE(IsNeutralKey(u"F25"));
    EXPECT_FALSE(IsNeutralKey(u"F0"));
}

TEST(EndMarks, FormsOfEachMark)
{
    struct Row
    {
        std::u16string text;
        EndMark mark;
        bool translation;
    };
    const Row rows[] = {
        {u"Done.", EndMark::Period, false},         {u"Name:", EndMark::Colon, false},
        {u"Nom :", EndMark::Colon, false},          {u"Nom\u00A0:", EndMark::Colon, false},
        {u"Open...", EndMark::Ellipsis, false},     {u"Ouvrir\u2026", EndMark::Ellipsis, false},
        {u"Sure?", EndMark::Question, false},       {u"\u672C\u5F53\uFF1F", EndMark::Question, false},
        {u"\u0647\u0644\u061F", EndMark::Question, false}, {u"Stop!  ", EndMark::Exclamation, false},
        {u"\u5B8C\u4E86\u3002", EndMark::Period, false},   {u"Plain", EndMark::None, false},
        {u"", EndMark::None, false},                {u"a;b;", EndMark::None, false},
        {u"\u0391\u03C0\u03BF\u03B8\u03AE\u03BA\u03B5\u03C5\u03C3\u03B7;", EndMark::Question, true},
    };
    for (const Row &row : rows)
        EXPECT_EQ(EndMarkOf(row.text, row.translation), row.mark) << ToUtf8(row.text);
}

TEST(Letters, CaseAndKinds)
{
    EXPECT_EQ(FoldCase(u'O'), u'o');
    EXPECT_EQ(FoldCase(u'\u00C9'), u'\u00E9');
    EXPECT_EQ(FoldCase(u'\u0152'), u'\u0153'); // OE ligature
    EXPECT_EQ(FoldCase(u'\u0179'), u'\u017A');
    EXPECT_EQ(FoldCase(u'\u0178'), u'\u00FF');
    EXPECT_EQ(FoldCase(u'\u0394'), u'\u03B4'); // Greek delta
    EXPECT_EQ(FoldCase(u'\u0416'), u'\u0436'); // Cyrillic zhe
    EXPECT_EQ(FoldCase(u'\u0401'), u'\u0451');
    EXPECT_EQ(FoldCase(u'\u00D7'), u'\u00D7'); // multiplication sign
    EXPECT_TRUE(HasLetter(u"1.0 beta"));
    EXPECT_FALSE(HasLetter(u"1.0 - 100%"));
    EXPECT_TRUE(HasLetter(u"\u65E5\u672C"));
    EXPECT_FALSE(HasLetter(u"\u00D7\u00F7"));
    EXPECT_EQ(CharacterCount(WithoutMarkers(u"R&&D &Tools")), 9u);
    EXPECT_EQ(CharacterCount(u"a\U0001F600b"), 3u);
    EXPECT_EQ(LeadingBlanks(u"\u00A0 x"), 2u);
    EXPECT_EQ(TrailingBlanks(u"x \u202F"), 2u);
    EXPECT_EQ(ToUtf8(u"\u00E9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC81))), "\xEF\xBF\xBD");
}

} // namespace
