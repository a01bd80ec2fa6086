#include "history/edithistory.h"
#include "tokenio.h"
#include "tokentable.h"

#include <gtest/gtest.h>

namespace {

const char kProject[] = "[[4|1|1|0|1|]]=&Fichier\r\n"
                        "[[4|1|2|0|04|]]=Ouvrir\r\n"
                        "[[6|1|3|0|3|]]=Pr\xEAt\r\n";

// The project table with its history, changed the way the window changes it:
// every write goes through one place, which records it.
class HistoryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTokens(kProject, table), TokenLoadStatus::Ok);
        original = lines();
    }
    void write(std::size_t row, int column, std::string_view bytes)
    {
        history.record(row, column, table.cell(row, column), bytes);
        table.setCell(row, column, bytes);
    }
    void commit(std::size_t row, std::string_view text)
    {
        history.beginStep("Commit");
        write(row, ColText, text);
        write(row, ColStatus, "4");
        history.endStep();
    }
    // An undo or a redo written back as the window writes it: not recorded.
    std::vector<EditHistory::Change> undo()
    {
        auto changes = history.undo();
        for (auto it = changes.rbegin(); it != changes.rend(); ++it)
            table.setCell(it->row, it->column, it->before);
        return changes;
    }
    std::vector<EditHistory::Change> redo()
    {
        auto changes = history.redo();
        for (const auto &change : changes)
            table.setCell(change.row, change.column, change.after);
        return changes;
    }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
            std::string line;
            for (int c = 0; c < TokenColumnCount; ++c)
                line += table.cellText(row, c) + "|";
            out.push_back(line);
        }
        return out;
    }
    TokenTable table;
    EditHistory history;
    std::vector<std::string> original;
};

TEST_F(HistoryTest, UndoRestoresTheExactBytesStepByStep)
{
    commit(1, "&File");              // a box commit: text and status
    write(2, ColStatus, "4");        // a Translated click on "04"
    write(3, ColStatus, "6");        // a selection rewriting 3 to 6
    const auto afterAll = lines();
    EXPECT_EQ(history.undoableSteps(), 3u);

    auto changes = undo();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].row, 3u);
    EXPECT_EQ(table.cell(3, ColStatus), "3");
    undo();
    EXPECT_EQ(table.cell(2, ColStatus), "04"); // the bytes as they were, not a normal form
    changes = undo();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(lines(), original);
    EXPECT_FALSE(history.canUndo());
    EXPECT_TRUE(undo().empty());

    // Redo makes them again, in order.
    while (history.canRedo())
        redo();
    EXPECT_EQ(lines(), afterAll);
}

TEST_F(HistoryTest, ANewChangeAfterUndoDropsTheRedo)
{
    commit(1, "&File");
    undo();
    EXPECT_TRUE(history.canRedo());
    write(3, ColStatus, "6");
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.stepCount(), 1u);
}

TEST_F(HistoryTest, AWholeReplacementIsOneStep)
{
    history.beginStep("Replace all");
    history.beginStep("inner"); // nested: joins the outer step
    commit(1, "&Doc");
    commit(2, "Doc");
    history.endStep();
    write(3, ColStatus, "6");
    history.endStep();
    EXPECT_EQ(history.stepCount(), 1u);
    EXPECT_EQ(history.undoLabel(), "Replace all");
    const auto changes = undo();
    EXPECT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes.front().row, 1u); // in the order made
    EXPECT_EQ(lines(), original);
    EXPECT_EQ(history.redoLabel(), "Replace all");
}

TEST_F(HistoryTest, NothingIsRecordedForNoChangeOrWhileApplying)
{
    write(1, ColText, "&Fichier"); // same bytes
    history.beginStep("Empty");
    history.endStep();
    EXPECT_EQ(history.stepCount(), 0u);
    commit(1, "&File");
    undo(); // the writes of the undo itself are not recorded
    EXPECT_EQ(history.stepCount(), 1u);
    EXPECT_TRUE(history.canRedo());
}

TEST_F(HistoryTest, ByteLimitDropsTheOldestSteps)
{
    history.setByteLimit(1);
    commit(1, "&A");
    commit(2, "B");
    commit(3, "C");
    EXPECT_EQ(history.stepCount(), 1u); // the newest always stays
    undo();
    EXPECT_EQ(table.cell(3, ColText), "Pr\xEAt");
    EXPECT_FALSE(history.canUndo());
    history.clear();
    EXPECT_EQ(history.bytesHeld(), 0u);
}

} // namespace
