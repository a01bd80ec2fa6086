#include "tokenio.h"
#include "tokenkey.h"
#include "tokenline.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

TokenTable tableOf(std::initializer_list<const char *> lines)
{
    TokenTable table;
    for (const char *line : lines)
        EXPECT_EQ(AjouteToken(line, table), TokenLineStatus::Ok) << line;
    return table;
}

TEST(TokenTable, HeaderRowAndOutOfRangeRowsReadEmpty)
{
    auto table = tableOf({"[[4|1|2|0|1|x]]=a"});
    EXPECT_EQ(table.rowCount(), 2u);
    EXPECT_EQ(table.cell(0, ColText), "");
    EXPECT_EQ(table.cell(2, ColText), "");
    EXPECT_EQ(table.cell(1, 7), "");
    table.clear();
    EXPECT_EQ(table.tokenCount(), 0u);
    EXPECT_EQ(table.rowCount(), 1u);
}

TEST(TokenTable, SetCellKeepsTheOtherCellsByteForByte)
{
    auto table = tableOf({"ab 4 |x|\xE9|0|04|k ]junk]=old text", "[[5|1|2|3|1|z]]=other"});
    table.setCell(1, ColText, "new \xFF text");
    table.setCell(1, ColStatus, "4");
    EXPECT_EQ(table.cell(1, ColText), "new \xFF text");
    EXPECT_EQ(table.cell(1, ColStatus), "4");
    EXPECT_EQ(table.cell(1, ColType), " 4 ");
    EXPECT_EQ(table.cell(1, ColId3), "\xE9");
    EXPECT_EQ(table.cell(1, ColId6), "k ");
    EXPECT_EQ(table.cell(2, ColText), "other");
    // Rewriting a row again, many times, keeps it whole.
    for (int i = 0; i < 100; ++i)
        table.setCell(2, ColText, std::string(i, 'x'));
    EXPECT_EQ(table.cell(2, ColText), std::string(99, 'x'));
    EXPECT_EQ(table.cell(2, ColId6), "z");
    // What the rewrites left behind goes; every cell stays.
    const std::size_t held = table.bytesHeld();
    table.compactEdits();
    EXPECT_LT(table.bytesHeld() + 4000, held);
    EXPECT_EQ(table.cell(1, ColText), "new \xFF text");
    EXPECT_EQ(table.cell(1, ColId6), "k ");
    EXPECT_EQ(table.cell(2, ColText), std::string(99, 'x'));
    EXPECT_EQ(table.cell(2, ColId6), "z");
}

TEST(MasterToken, FirstMatchingRowWins)
{
    auto master = tableOf({"[[6|1|1|0|1|x]]=m1", "[[6|1|7|0|1|y]]=m2", "[[6|1|2|0|1|x]]=m3",
                           "[[6|1|7|0|4|x]]=m4 status ignored", "[[6|1|7|0|1|x]]=m5"});
    auto project = tableOf({"[[6|1|1|0|1|z]]=p1", "[[6|1|3|0|1|x]]=p2", "[[6|1|7|0|1|x]]=p3"});
    EXPECT_EQ(MasterToken(master, project, 3), "m4 status ignored");
    EXPECT_EQ(MasterToken(master, project, 2), "");
    EXPECT_EQ(MasterToken(master, project, 1), "");
    EXPECT_EQ(MasterToken(master, project, 0), "");
    EXPECT_EQ(MasterToken(master, project, 4), "");
}

TEST(MasterToken, KeyIsExactText)
{
    auto master = tableOf({"[[04|1|2|0|1|x]]=leading zero", "[[4|12 |2|0|1|x]]=trailing blank", "[[4|1|2|0|1|X]]=case"});
    auto project = tableOf({"[[4|1|2|0|1|x]]=", "[[4|12|2|0|1|x]]=", "[[04|1|2|0|1|x]]="});
    EXPECT_EQ(MasterToken(master, project, 1), "");
    EXPECT_EQ(MasterToken(master, project, 2), "");
    EXPECT_EQ(MasterToken(master, project, 3), "leading zero");
}

TEST(MasterToken, IndexFollowsReloading)
{
    auto master = tableOf({"[[6|1|1|0|1|x]]=before"});
    auto project = tableOf({"[[6|1|1|0|1|x]]="});
    EXPECT_EQ(MasterToken(master, project, 1), "before");
    master.clear();
    EXPECT_EQ(MasterToken(master, project, 1), "");
    AjouteToken("[[6|1|1|0|1|x]]=after", master);
    EXPECT_EQ(MasterToken(master, project, 1), "after");
}

// A key is the same whatever form its line takes: plain ("|]]="), with a sixth
// field, out of normal form, or too long for the compact row.
TEST(MasterToken, KeysMatchWhateverTheFormOfTheirLines)
{
    const std::string longText(70000, 't');
    struct Form
    {
        const char *name;
        std::string master;
        std::string project;
    };
    const Form forms[] = {
        {"plain, plain", "[[6|1|2|3|4|]]=m", "[[6|1|2|3|1|]]=p"},
        {"plain, out of normal form", "[[6|1|2|3|4|]]=m", "[[6|1|2|3|1|]]junk=p"},
        {"out of normal form, plain", "[[6|1|2|3|4|]]x=m", "[[6|1|2|3|1|]]=p"},
        {"plain, long", "[[6|1|2|3|4|]]=m", "[[6|1|2|3|1|]]=" + longText},
        {"long, plain", "[[6|1|2|3|4|]]=" + longText, "[[6|1|2|3|1|]]=p"},
        {"sixth field, long", "[[6|1|2|3|4|k]]=m", "[[6|1|2|3|1|k]]=" + longText},
        {"empty status, plain", "[[6|1|2|3||]]=m", "[[6|1|2|3|1|]]=p"},
        {"empty fields", "[[|||||]]=m", "[[||||1|]]x=p"},
    };
    for (const Form &form : forms) {
        SCOPED_TRACE(form.name);
        TokenTable master;
        TokenTable project;
        ASSERT_EQ(AjouteToken("[[6|1|2|3|4|other]]=not this one", master), TokenLineStatus::Ok);
        ASSERT_EQ(AjouteToken(form.master, master), TokenLineStatus::Ok);
        ASSERT_EQ(AjouteToken(form.project, project), TokenLineStatus::Ok);
        EXPECT_EQ(master.findFirstWithKey(project, 1), std::optional<std::size_t>(2));
        // And the other way round.
        EXPECT_EQ(project.findFirstWithKey(master, 2), std::optional<std::size_t>(1));
        EXPECT_EQ(project.findFirstWithKey(master, 1), std::nullopt);
        // A key made from the cells (as our RLTools make them from a resource's
        // items) meets the key of the row in one map.
        EXPECT_EQ(KeyText(project, 1), KeyText(project.cell(1, ColType), project.cell(1, ColId2),
                                               project.cell(1, ColId3), project.cell(1, ColId4),
                                               project.cell(1, ColId6)));
        EXPECT_EQ(KeyText(project, 1), KeyText(master, 2));
        EXPECT_NE(KeyText(master, 1), KeyText(master, 2));
    }
}

// The index must give what a plain first-match scan gives, duplicates included,
// whatever share of its slots the rows take (the rest holds bits of the hash).
TEST(MasterToken, IndexAgreesWithPlainScan)
{
    for (const int masterRows : {3000, 70000, 140000}) {
        SCOPED_TRACE(masterRows);
        std::mt19937 random(7);
        TokenTable master;
        TokenTable project;
        const unsigned spread = static_cast<unsigned>(masterRows) / 150;
        auto line = [&](int i) {
            return "[[" + std::to_string(4 + random() % 3) + "|" + std::to_string(random() % spread) + "|" +
                   std::to_string(random() % 5) + "|0|1|" + std::string(random() % 2, 'k') + "]]=t" + std::to_string(i);
        };
        for (int i = 0; i < masterRows; ++i)
            AjouteToken(line(i), master);
        for (int i = 0; i < 1000; ++i)
            AjouteToken(line(i), project);
        // The first master row of each key, by a plain scan.
        auto keyOf = [](const TokenTable &table, std::size_t row) {
            std::string key;
            for (int c : {1, 2, 3, 4, 6})
                key.append(table.cell(row, c)).push_back('|');
            return key;
        };
        std::map<std::string, std::size_t> first;
        for (std::size_t m = 1; m <= master.tokenCount(); ++m)
            first.emplace(keyOf(master, m), m);
        for (std::size_t row = 1; row <= project.tokenCount(); ++row) {
            const auto found = first.find(keyOf(project, row));
            const std::string_view expected = found == first.end() ? std::string_view() : master.cell(found->second, ColText);
            ASSERT_EQ(MasterToken(master, project, row), expected) << "project row " << row;
        }
    }
}

} // namespace
