#include "tokenline.h"

#include <gtest/gtest.h>

namespace {

struct LineCase
{
    const char *name;
    std::string line;
    TokenLineStatus status;
    std::string cells[7]; // text, fields 1 to 6
};

class AjouteTokenCases : public testing::TestWithParam<LineCase>
{
};

TEST_P(AjouteTokenCases, CutsTheCells)
{
    const LineCase &c = GetParam();
    TokenTable table;
    EXPECT_EQ(AjouteToken(c.line, table), c.status);
    if (c.status != TokenLineStatus::Ok) {
        EXPECT_EQ(table.tokenCount(), 0u);
        return;
    }
    ASSERT_EQ(table.tokenCount(), 1u);
    for (int col = 0; col < 7; ++col)
        EXPECT_EQ(table.cell(1, col), c.cells[col]) << "column " << col;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AjouteTokenCases,
    testing::Values(
        LineCase{"plain", "[[4|1|2|0|1|x]]=Fichier", TokenLineStatus::Ok, {"Fichier", "4", "1", "2", "0", "1", "x"}},
        LineCase{"emptyText", "[[4|1|2|0|1|x]]=", TokenLineStatus::Ok, {"", "4", "1", "2", "0", "1", "x"}},
        LineCase{"equalsInText", "[[6|1|2|3|4|k]]=a=b", TokenLineStatus::Ok, {"a=b", "6", "1", "2", "3", "4", "k"}},
        LineCase{"barsInText", "[[6|1|2|3|4|k]]=a|b]", TokenLineStatus::Ok, {"a|b]", "6", "1", "2", "3", "4", "k"}},
        LineCase{"emptyField6", "[[16|1|1|0|4|]]=x", TokenLineStatus::Ok, {"x", "16", "1", "1", "0", "4", ""}},
        LineCase{"otherPrefix", "xx4|1|2|0|1|k]]=abc", TokenLineStatus::Ok, {"abc", "4", "1", "2", "0", "1", "k"}},
        LineCase{"junkBeforeEquals", "[[4|1|2|0|1|k]junk]=t", TokenLineStatus::Ok, {"t", "4", "1", "2", "0", "1", "k"}},
        LineCase{"blanksKept", "[[ 4|1 | 2|0|04 |k ]]= t ", TokenLineStatus::Ok, {" t ", " 4", "1 ", " 2", "0", "04 ", "k "}},
        LineCase{"tabsKept", "[[4|\t|2|0|1|k]]=a\tb", TokenLineStatus::Ok, {"a\tb", "4", "\t", "2", "0", "1", "k"}},
        // The searches run over the whole line: an "=" inside the fields moves the text.
        LineCase{"equalsInField", "[[4|a=b|2|0|1|k]]=t", TokenLineStatus::Ok, {"b|2|0|1|k]]=t", "4", "a=b", "2", "0", "1", "k"}},
        // The bars may come from the text.
        LineCase{"barsFromText", "[[4|1]]=a|b|c|d|e]", TokenLineStatus::Ok, {"a|b|c|d|e]", "4", "1]]=a", "b", "c", "d", "e"}},
        LineCase{"emptyField1", "[[|1|2|0|1|k]]=t", TokenLineStatus::Ok, {"t", "", "1", "2", "0", "1", "k"}},
        LineCase{"fourBars", "[[4|1|2|0|1]]=x", TokenLineStatus::Bad, {}},
        LineCase{"noBracket", "[[4|1|2|0|1|x=y", TokenLineStatus::Bad, {}},
        LineCase{"noEquals", "[[4|1|2|0|1|x]]", TokenLineStatus::Bad, {}},
        LineCase{"empty", "", TokenLineStatus::Bad, {}},
        LineCase{"noBarAtAll", "hello=world", TokenLineStatus::Bad, {}},
        LineCase{"barAtPosition1", "|[4|1|2|0|1|x]]=y", TokenLineStatus::ReadError, {}},
        LineCase{"barAtPosition2", "[|4|1|2|0|1|x]]=y", TokenLineStatus::ReadError, {}},
        // Without "=" the line is bad before the bars are looked at.
        LineCase{"barEarlyNoEquals", "|x", TokenLineStatus::Bad, {}}),
    [](const testing::TestParamInfo<LineCase> &info) { return std::string(info.param.name); });

TEST(AjouteToken, LongLinesBeyondSixteenBitPositions)
{
    const std::string id(40000, 'k');
    const std::string text(70000, 't');
    TokenTable table;
    ASSERT_EQ(AjouteToken("[[6|1|2|3|4|" + id + "]]=" + text, table), TokenLineStatus::Ok);
    EXPECT_EQ(table.cell(1, ColId6), id);
    EXPECT_EQ(table.cell(1, ColText), text);
}

TEST(AppendTokenLine, NormalFormOfEveryRow)
{
    TokenTable table;
    AjouteToken("xx4|1|2|0|1|k]junk]=abc", table);
    std::string out;
    AppendTokenLine(table, 1, out);
    EXPECT_EQ(out, "[[4|1|2|0|1|k]]=abc\r\n");
}

} // namespace
