#include "tokenplace.h"

#include <gtest/gtest.h>

namespace {

struct PlaceRow
{
    const char *name;
    TokenKeyFields fields;
    std::vector<std::u16string> menuPath;
    std::u16string words;
};

class TokenPlaceTest : public ::testing::TestWithParam<PlaceRow>
{
};

TEST_P(TokenPlaceTest, Words)
{
    const PlaceRow &row = GetParam();
    EXPECT_EQ(DescribeTokenPlace(row.fields, row.menuPath), row.words);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TokenPlaceTest,
    ::testing::Values(
        PlaceRow{"DialogControl", {"5", "101", "1002", "3", ""}, {}, u"Dialog 101, control 1002 (3rd)"},
        PlaceRow{"DialogStaticFirst", {"5", "100", "-1", "1", ""}, {}, u"Dialog 100, control -1 (1st)"},
        PlaceRow{"DialogEleventh", {"5", "100", "7", "11", ""}, {}, u"Dialog 100, control 7 (11th)"},
        PlaceRow{"DialogTwentySecond", {"5", "100", "7", "22", ""}, {}, u"Dialog 100, control 7 (22nd)"},
        PlaceRow{"DialogCaption", {"5", "101", "0", "0", ""}, {}, u"Dialog 101, caption"},
        PlaceRow{"NamedDialog", {"5", "SETTINGS", "1", "1", ""}, {}, u"Dialog SETTINGS, control 1 (1st)"},
        PlaceRow{"MenuWithPath", {"4", "1", "101", "1", ""}, {u"&File", u"&Open...\tCtrl+O"}, u"Menu 1: File \u25B8 Open..."},
        PlaceRow{"MenuNested", {"4", "1", "110", "5", ""}, {u"&File", u"&Recent", u"&1 a && b "}, u"Menu 1: File \u25B8 Recent \u25B8 1 a & b"},
        PlaceRow{"MenuWithoutPath", {"4", "1", "101", "1", ""}, {}, u"Menu 1, item 101 at position 1"},
        PlaceRow{"MenuPopupWithoutPath", {"4", "1", "0", "0", ""}, {}, u"Menu 1, popup at position 0"},
        PlaceRow{"String", {"6", "1", "5", "5", ""}, {}, u"String table, string 5"},
        PlaceRow{"StringSecondBlock", {"6", "2", "17", "1", ""}, {}, u"String table, string 17"},
        PlaceRow{"Version", {"16", "VS_VERSION_INFO", "040904b0", "0", "FileDescription"}, {}, u"Version: FileDescription"},
        PlaceRow{"EscapedName", {"5", "A\\u007CB", "1", "1", ""}, {}, u"Dialog A|B, control 1 (1st)"},
        PlaceRow{"RawUnknownType", {"3", "1", "2", "3", ""}, {}, u"Fields: 3 | 1 | 2 | 3 | (none)"},
        PlaceRow{"RawStringIdOffItsBlock", {"6", "1", "17", "1", ""}, {}, u"Fields: 6 | 1 | 17 | 1 | (none)"},
        PlaceRow{"RawLeadingZero", {"5", "100", "01", "1", ""}, {}, u"Fields: 5 | 100 | 01 | 1 | (none)"},
        PlaceRow{"RawCaptionWithId", {"5", "100", "3", "0", ""}, {}, u"Fields: 5 | 100 | 3 | 0 | (none)"},
        PlaceRow{"RawExtraOnADialog", {"5", "100", "3", "1", "x"}, {}, u"Fields: 5 | 100 | 3 | 1 | x"},
        PlaceRow{"RawVersionWithoutName", {"16", "1", "040904b0", "0", ""}, {}, u"Fields: 16 | 1 | 040904b0 | 0 | (none)"},
        PlaceRow{"RawNegativeMenuId", {"4", "1", "-3", "1", ""}, {}, u"Fields: 4 | 1 | -3 | 1 | (none)"},
        PlaceRow{"RawEmptyName", {"5", "", "1", "1", ""}, {}, u"Fields: 5 | (none) | 1 | 1 | (none)"},
        PlaceRow{"RawBlankInNumber", {"5", "100", "1 ", "1", ""}, {}, u"Fields: 5 | 100 | 1  | 1 | (none)"}),
    [](const ::testing::TestParamInfo<PlaceRow> &info) { return std::string(info.param.name); });

TEST(TokenPlace, OrdinalsAndLabels)
{
    const std::pair<unsigned long long, const char *> ordinals[] = {
        {1, "1st"}, {2, "2nd"}, {3, "3rd"}, {4, "4th"}, {11, "11th"}, {12, "12th"}, {13, "13th"},
        {21, "21st"}, {101, "101st"}, {111, "111th"}, {112, "112th"}, {123, "123rd"}};
    for (const auto &[n, text] : ordinals)
        EXPECT_EQ(Ordinal(n), text);
    EXPECT_EQ(MenuLabel(u"&Save\tCtrl+S"), u"Save");
    EXPECT_EQ(MenuLabel(u"R&&D &tools"), u"R&D tools");
    EXPECT_EQ(MenuLabel(u"Close&"), u"Close");
}

} // namespace
