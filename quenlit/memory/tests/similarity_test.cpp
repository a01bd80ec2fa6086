#include "memory/similarity.h"

#include <gtest/gtest.h>

namespace {

struct ScoreRow
{
    const char *name;
    const char *a;
    const char *b;
    int score;
};

class Scores : public testing::TestWithParam<ScoreRow>
{
};

TEST_P(Scores, AreTheShareOfTheLongerTextKept)
{
    const ScoreRow &row = GetParam();
    EXPECT_EQ(memory::Similarity(row.a, row.b), row.score);
    EXPECT_EQ(memory::Similarity(row.b, row.a), row.score) << "the score is symmetric";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Scores,
    testing::Values(ScoreRow{"Same", "&Open file", "&Open file", 100}, ScoreRow{"BothEmpty", "", "", 100},
                    ScoreRow{"OneEmpty", "Open", "", 0}, ScoreRow{"NothingShared", "abc", "xyz", 0},
                    ScoreRow{"OneLetterAdded", "Open file", "Open files", 90},
                    ScoreRow{"CaseCounts", "open", "Open", 75}, ScoreRow{"AccessKeyCounts", "&Open", "Open", 80},
                    // One change in 108 characters rounds down: only the same text is 100.
                    ScoreRow{"NeverRoundedUpTo100",
                             "The quick brown fox jumps over the lazy dog while the cat sleeps on the warm mat "
                             "beside the old wooden door.",
                             "The quick brown fox jumps over the lazy dog while the cat sleeps on the warm mat "
                             "beside the old wooden doors",
                             99},
                    ScoreRow{"CharactersNotBytes", "\xC3\xA9t\xC3\xA9", "ete", 33},
                    ScoreRow{"WordReplaced", "Save the file", "Save the page", 76}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Scores, BestPossibleBoundsEveryScore)
{
    EXPECT_EQ(memory::BestPossibleSimilarity(10, 10), 100);
    EXPECT_EQ(memory::BestPossibleSimilarity(7, 10), 70);
    EXPECT_LE(memory::Similarity("Open file", "Open files"), memory::BestPossibleSimilarity(9, 10));
}

struct DifferenceRow
{
    const char *name;
    const char *from;
    const char *to;
    const char *pieces; // kept as is, [-removed], {+added}
};

class Differences : public testing::TestWithParam<DifferenceRow>
{
};

TEST_P(Differences, MakeUpBothTexts)
{
    const DifferenceRow &row = GetParam();
    const auto pieces = memory::TextDifferences(row.from, row.to);
    std::string shown, from, to;
    for (const auto &piece : pieces) {
        switch (piece.kind) {
        case memory::TextPiece::Kept:
            shown += piece.text;
            from += piece.text;
            to += piece.text;
            break;
        case memory::TextPiece::Removed:
            shown += "[-" + piece.text + "]";
            from += piece.text;
            break;
        case memory::TextPiece::Added:
            shown += "{+" + piece.text + "}";
            to += piece.text;
            break;
        }
    }
    EXPECT_EQ(shown, row.pieces);
    EXPECT_EQ(from, row.from);
    EXPECT_EQ(to, row.to);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Differences,
    testing::Values(DifferenceRow{"Same", "Open", "Open", "Open"},
                    DifferenceRow{"Added", "Open file", "Open files", "Open file{+s}"},
                    DifferenceRow{"Removed", "&Save all", "&Save", "&Save[- all]"},
                    DifferenceRow{"Replaced", "Save the file", "Save the page", "Save the [-fil]{+pag}e"},
                    DifferenceRow{"FromNothing", "", "New", "{+New}"},
                    DifferenceRow{"NonAscii", "\xC3\xA9t\xC3\xA9", "\xC3\xA9tait", "\xC3\xA9t[-\xC3\xA9]{+ait}"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
