#include "tokenio.h"
#include "tokenline.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

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

// The line parse as the plain searches state it, one after the other: the
// one-pass parse must give the same outcome and the same cells for every line.
TokenLineStatus plainParse(std::string_view line, TokenLineLayout &layout)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return TokenLineStatus::Bad;
    auto bar = line.find('|');
    if (bar == std::string_view::npos)
        return TokenLineStatus::Bad;
    if (bar < 2)
        return TokenLineStatus::ReadError;
    layout.bars[0] = static_cast<std::uint32_t>(bar);
    for (int i = 1; i < 5; ++i) {
        bar = line.find('|', bar + 1);
        if (bar == std::string_view::npos)
            return TokenLineStatus::Bad;
        layout.bars[i] = static_cast<std::uint32_t>(bar);
    }
    const auto bracket = line.find(']', bar + 1);
    if (bracket == std::string_view::npos)
        return TokenLineStatus::Bad;
    layout.bracket = static_cast<std::uint32_t>(bracket);
    layout.equals = static_cast<std::uint32_t>(equals);
    layout.length = static_cast<std::uint32_t>(line.size());
    return TokenLineStatus::Ok;
}

TEST(ParseTokenLine, SameAsThePlainSearchesOnAnyLine)
{
    std::mt19937 random(7);
    const char alphabet[] = "[]|=a|]=|\r";
    for (int n = 0; n < 200000; ++n) {
        // Mostly short lines; some long enough for the bounds to lie in any
        // block of sixteen bytes, or after the blocks, in the line's tail.
        std::string line(n % 4 ? random() % 30 : random() % 90, ' ');
        for (char &c : line)
            c = alphabet[random() % (sizeof alphabet - 1)];
        TokenLineLayout fast;
        TokenLineLayout plain;
        const auto a = ParseTokenLine(line, fast);
        const auto b = plainParse(line, plain);
        ASSERT_EQ(a, b) << line;
        if (a != TokenLineStatus::Ok)
            continue;
        ASSERT_EQ(fast.equals, plain.equals) << line;
        ASSERT_EQ(fast.bracket, plain.bracket) << line;
        ASSERT_EQ(fast.length, plain.length) << line;
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(fast.bars[i], plain.bars[i]) << line;
    }
}

// A whole file of random lines, as a reading takes it: the rows, the bad lines
// and the outcome are those of the plain searches on each line, and the key
// index made while reading answers as a search through the rows does.
TEST(LoadTokens, WholeFilesAsThePlainSearchesReadThem)
{
    struct Bad : TokenLoadObserver
    {
        std::vector<std::size_t> lines;
        void badToken(std::size_t number, std::string_view) override { lines.push_back(number); }
    };
    struct Rows : TokenRowSink
    {
        std::vector<std::string> lines;
        void rowRead(std::size_t row, std::string_view line, const TokenLineLayout &) override
        {
            EXPECT_EQ(row, lines.size() + 1);
            lines.emplace_back(line);
        }
    };
    std::mt19937 random(11);
    const char *const shapes[] = {"[[4|1|2|0|1|]]=Open", "[[6|1|2|3|4|k]]=a|b]", "[[5|9|9|9|1|]]=", "x", "",
                                  "[[4|1|2|0|1|x=y", "ab|c|d|e|f|g]=h", "[[16|2|7|0|4|Comments]]=Note"};
    const char alphabet[] = "[]|=ab|]=|\r0";
    for (int file = 0; file < 300; ++file) {
        std::string bytes;
        std::vector<std::string> expectedLines;
        std::vector<std::size_t> expectedBad;
        auto expected = TokenLoadStatus::Ok;
        // Some files pass the sample after which the rows' number is guessed.
        const std::size_t lines = file % 10 == 0 ? 12000 + random() % 4000 : random() % 200;
        for (std::size_t n = 1; n <= lines; ++n) {
            std::string line;
            if (random() % 4) {
                line = shapes[random() % 8];
                if (line.size() > 5 && random() % 2)
                    line.replace(5, 1, std::to_string(random() % 50)); // keys repeat
                // Long lines first, short ones after: more rows come than the
                // sample let guess, and the index made while reading grows.
                if (lines > 4096 && n < 9000)
                    line.append(60, 't');
            } else {
                line.assign(random() % 40, ' ');
                for (char &c : line)
                    c = alphabet[random() % (sizeof alphabet - 1)];
                if (lines > 4096 || random() % 16)
                    line.insert(0, "[["); // else a '|' early in the line may stop the reading
            }
            const bool last = n == lines;
            const char *end = !last || random() % 2 ? (random() % 2 ? "\r\n" : "\n") : "";
            if (!*end && line.empty())
                break; // nothing after the last line end: no line
            bytes += line;
            bytes += end;
            // The line as read: one CR before the LF goes with the line end.
            std::string read = line;
            if (!read.empty() && read.back() == '\r' && std::string_view(end) == "\n")
                read.pop_back();
            if (expected != TokenLoadStatus::Ok)
                continue;
            TokenLineLayout layout;
            switch (plainParse(read, layout)) {
            case TokenLineStatus::Ok:
                expectedLines.push_back(read);
                break;
            case TokenLineStatus::Bad:
                expectedBad.push_back(n);
                break;
            case TokenLineStatus::ReadError:
                expected = TokenLoadStatus::ReadError;
                break;
            }
        }
        TokenTable table;
        Bad bad;
        Rows rows;
        TokenLoadExtras extras;
        extras.rows = &rows;
        extras.keyIndex = true;
        ASSERT_EQ(LoadTokens(bytes, table, &bad, 0, extras), expected) << file;
        ASSERT_EQ(bad.lines, expectedBad) << file;
        ASSERT_EQ(rows.lines, expectedLines) << file;
        ASSERT_EQ(table.tokenCount(), expectedLines.size()) << file;
        for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
            TokenLineLayout layout;
            ASSERT_EQ(plainParse(expectedLines[row - 1], layout), TokenLineStatus::Ok);
            const std::string_view line = expectedLines[row - 1];
            ASSERT_EQ(table.cell(row, ColText), line.substr(layout.equals + 1)) << file;
            ASSERT_EQ(table.cell(row, ColType), line.substr(2, layout.bars[0] - 2)) << file;
            ASSERT_EQ(table.cell(row, ColId6), line.substr(layout.bars[4] + 1, layout.bracket - layout.bars[4] - 1));
            if (expected != TokenLoadStatus::Ok || row % 7)
                continue;
            std::size_t first = 1;
            while (KeyText(table.keyOf(first)) != KeyText(table.keyOf(row)))
                ++first;
            ASSERT_EQ(table.findFirstWithKey(table.keyOf(row)), first) << file;
        }
    }
}

// Rows are kept in a compact form when their cells are short and whole when
// they are not: every shape gives back its cells and its line byte for byte.
TEST(TokenTable, RowsOfEveryShapeKeepTheirCells)
{
    const std::string k255(255, 'k');
    const std::string k256(256, 'k');
    const std::string lines[] = {
        "[[6|1|2|3|4|]]=short",
        "[[" + std::string(253, '6') + "|1|2|3|4|x]]=first bar at 255",
        "[[" + std::string(254, '6') + "|1|2|3|4|x]]=first bar at 256",
        "[[6|" + k255.substr(1) + "|2|3|4|x]]=a field of 254",
        "[[6|" + k255 + "|2|3|4|x]]=a field of 255",
        "[[6|1|2|3|4|" + k255 + "]]=field 6 of 255",
        "[[6|1|2|3|4|" + k256 + "]]=field 6 of 256",
        "[[6|1|2|3|4|x]]=" + std::string(70000, 't'),
        "[[6|1|2|3|4|" + std::string(70000, 'k') + "]]=equals beyond 16 bits",
        "[[6=|1|2|3|4|x]]=equals before the bars",
        "[[6|1|2|3|4|x]]junk]=" + std::string(9000000, 'L'),
        "xx6|1|2|3|4|x]]=not in normal form",
        "[[6]|1]|2|3|4|x]]=brackets before the fifth bar",
        "[[6|1|2|3|4|x=]]=equals before the bracket",
        "[[6|1|2|3|4|" + std::string(8177, 'k') + "]]=equals at 8191",
        "[[6|1|2|3|4|" + std::string(8178, 'k') + "]]=equals at 8192",
        "[[6|1|2|3||]]=an empty status",
        "[[6|1|2|3|4]|]]=a status holding a bracket",
        "[[6|1|2|3|4|]]]=a third bracket",
        "[[|||||]]=every field empty",
        "[[6|1|2|3|" + std::string(9000, '4') + "|]]=a status beyond the equals limit",
        "[[6|1|2|3|4|x]]=" + std::string(65519, 't'),
        "[[6|1|2|3|4|x]]=" + std::string(65520, 't'),
    };
    std::string file;
    for (const auto &line : lines)
        file += line + "\r\n";
    TokenTable table;
    ASSERT_EQ(LoadTokens(file, table), TokenLoadStatus::Ok);
    ASSERT_EQ(table.tokenCount(), std::size(lines));
    TokenTable appended;
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        const std::string &line = lines[row - 1];
        ASSERT_EQ(AjouteToken(line, appended), TokenLineStatus::Ok);
        TokenLineLayout p;
        ASSERT_EQ(plainParse(line, p), TokenLineStatus::Ok);
        const std::string_view l(line);
        const std::string_view cells[TokenColumnCount] = {
            l.substr(p.equals + 1),
            l.substr(2, p.bars[0] - 2),
            l.substr(p.bars[0] + 1, p.bars[1] - p.bars[0] - 1),
            l.substr(p.bars[1] + 1, p.bars[2] - p.bars[1] - 1),
            l.substr(p.bars[2] + 1, p.bars[3] - p.bars[2] - 1),
            l.substr(p.bars[3] + 1, p.bars[4] - p.bars[3] - 1),
            l.substr(p.bars[4] + 1, p.bracket - p.bars[4] - 1),
        };
        std::string_view all[TokenColumnCount];
        table.cells(row, all);
        for (int c = 0; c < TokenColumnCount; ++c) {
            EXPECT_EQ(table.cell(row, c), cells[c]) << "row " << row << " column " << c;
            EXPECT_EQ(appended.cell(row, c), cells[c]) << "row " << row << " column " << c;
            EXPECT_EQ(all[c], cells[c]) << "row " << row << " column " << c;
        }
        const bool normal = l.substr(0, 2) == "[[" && p.equals == p.bracket + 2 && l[p.bracket + 1] == ']';
        EXPECT_EQ(table.normalLine(row), normal ? l : std::string_view()) << "row " << row;
        EXPECT_EQ(appended.normalLine(row), normal ? l : std::string_view()) << "row " << row;
    }
    // Written back, each normal line is as read; a changed row keeps its other cells.
    std::string out;
    for (std::size_t row : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 18, 20, 21, 22, 23}) {
        out.clear();
        AppendTokenLine(table, row, out);
        EXPECT_EQ(out, lines[row - 1] + "\r\n") << "row " << row;
    }
    table.setCell(7, ColText, "changed");
    EXPECT_EQ(table.cell(7, ColId6), k256);
    EXPECT_EQ(table.cell(7, ColText), "changed");
    table.setCell(1, ColStatus, k256);
    EXPECT_EQ(table.cell(1, ColStatus), k256);
    EXPECT_EQ(table.cell(1, ColText), "short");
}

// A cell rewritten with the bytes that bound cells ('|', ']', '=') must read
// back as written, and every other cell as before, whatever form the row takes.
TEST(TokenTable, CellsHoldingBoundsReadBackAsWritten)
{
    const std::string values[] = {"a|b", "]", "x]y", "=", "|", "plain", ""};
    for (int column = ColType; column < TokenColumnCount; ++column) {
        for (const std::string &value : values) {
            SCOPED_TRACE(testing::Message() << "column " << column << " value '" << value << "'");
            TokenTable table;
            ASSERT_EQ(AjouteToken("[[6|1|2|3|4|x]]=text", table), TokenLineStatus::Ok);
            std::string_view before[TokenColumnCount];
            table.cells(1, before);
            const std::vector<std::string> kept(std::begin(before), std::end(before));
            table.setCell(1, column, value);
            std::string_view after[TokenColumnCount];
            table.cells(1, after);
            for (int c = 0; c < TokenColumnCount; ++c) {
                const std::string expected = c == column ? value : kept[static_cast<std::size_t>(c)];
                EXPECT_EQ(table.cell(1, c), expected) << "cell " << c;
                EXPECT_EQ(after[c], expected) << "cell " << c;
            }
        }
    }
}

} // namespace
