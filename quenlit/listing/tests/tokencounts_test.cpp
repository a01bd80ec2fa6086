#include "listing/tokencounts.h"
#include "tokenio.h"
#include "listing/tokenlist.h"
#include "numbers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// One token of each status 0 to 7 as menus, then strings with 4, 12 (4 with a
// high bit: not "exactly 4") and 1, a version with 6, and three more types.
const char kProject[] = "[[4|1|0|0|0|]]=a\r\n"
                        "[[4|1|1|0|1|]]=b\r\n"
                        "[[4|1|2|0|2|]]=c\r\n"
                        "[[4|1|3|0|3|]]=d\r\n"
                        "[[4|1|4|0|4|]]=e\r\n"
                        "[[4|1|5|0|5|]]=f\r\n"
                        "[[4|1|6|0|6|]]=g\r\n"
                        "[[4|1|7|0|7|]]=h\r\n"
                        "[[6|1|8|0|4|]]=i\r\n"
                        "[[6|1|9|0|12|]]=j\r\n"
                        "[[6|1|10|0|1|]]=k\r\n"
                        "[[16|1|11|0|6|]]=l\r\n"
                        "[[4.0|1|12|0|4|]]=m\r\n" // a menu: field 1 is read as a number
                        "[[3|1|13|0|1|]]=n\r\n"
                        "[[x|1|14|0|0|]]=o\r\n";

std::size_t countByRows(const TokenTable &table, const TokenFilter &filter, bool showRO, Progress *progress)
{
    std::size_t n = 0;
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        const std::int64_t status = StatusOf(table.cell(row, ColStatus));
        if (!PassesFilter(filter, status, TokenTypeOf(table.cell(row, ColType))))
            continue;
        if (IsListed(status, showRO))
            ++n;
        progress->counted += CountsForProgress(status);
        progress->translated += status == 4;
    }
    return n;
}

TEST(TokenCounts, EveryNodeOfTheTreeAgreesWithTheList)
{
    TokenTable table;
    ASSERT_EQ(LoadTokens(kProject, table), TokenLoadStatus::Ok);
    TokenSummary summary;
    summary.assign(table);
    TokenCounts counts;
    counts.assign(summary);
    const std::pair<const char *, const char *> nodes[] = {
        {"all", "All tokens"},           {"byType Menu", "Menu"},       {"byType String", "String"},
        {"byType Dialog", "Dialog"},     {"byType Version", "Version"}, {"byType Unknow type", "Unknow type"},
        {"byStatus 7 4", "Translated"},  {"byStatus 1 1", "Non-translated"}, {"byStatus 2 2", "Read-only"}};
    for (int change = 0; change < 3; ++change) {
        for (const auto &[tag, text] : nodes) {
            const TokenFilter filter = ParseFilterTag(tag, text);
            for (bool showRO : {false, true}) {
                SCOPED_TRACE(std::string(tag) + (showRO ? " shown" : " hidden") + " after " + std::to_string(change));
                Progress expected;
                EXPECT_EQ(counts.listed(filter, showRO), countByRows(table, filter, showRO, &expected));
                EXPECT_EQ(counts.progress(filter), expected);
            }
        }
        // Status changes as the editor makes them, counted at once.
        const std::size_t row = change == 0 ? 1 : 10;
        const std::int64_t before = StatusOf(table.cell(row, ColStatus));
        const std::int64_t after = change == 0 ? 4 : 3;
        table.setCell(row, ColStatus, std::to_string(after));
        counts.statusChanged(summary.type(row), before, after);
        summary.statusChanged(row, after);
        TokenCounts recounted; // made anew from the summary kept up to date: the same
        recounted.assign(summary);
        EXPECT_EQ(recounted.progress(), counts.progress());
    }
    EXPECT_EQ(counts.total(), 15u);
}

TEST(TokenCounts, WholeProjectProgress)
{
    TokenTable table;
    ASSERT_EQ(LoadTokens(kProject, table), TokenLoadStatus::Ok);
    TokenSummary summary;
    summary.assign(table);
    TokenCounts counts;
    counts.assign(summary);
    // Counted: all but 2, 6 and the version's 6 (read-only without flag 1): 12.
    // Translated: status exactly 4 (rows 5, 9 and 13), not 12.
    EXPECT_EQ(counts.progress(), (Progress{3, 12}));
    EXPECT_EQ(ProgressText(counts.progress()), "3 of 12 translated (25 %)");
}

TEST(Progress, Text)
{
    EXPECT_EQ(ProgressText(Progress{0, 0}), "0 of 0 translated (100 %)");
    EXPECT_EQ(ProgressText(Progress{199, 200}), "199 of 200 translated (99 %)"); // 100 only when done
    EXPECT_EQ(ProgressText(Progress{200, 200}), "200 of 200 translated (100 %)");
    EXPECT_EQ(ProgressText(Progress{1, 3}), "1 of 3 translated (33 %)");
    EXPECT_EQ(ShortProgressText(Progress{13, 17}), "13/17 \u00B7 76 %");
    EXPECT_EQ(ShortProgressText(Progress{0, 0}), "0/0 \u00B7 100 %");
}

class ListedTokensTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTokens(kProject, table), TokenLoadStatus::Ok);
        // Listed (read-only shown): every row but 3, so item i is row rows[i].
        summary.assign(table);
        listed.assign(rows, summary);
    }
    void setStatus(std::size_t row, std::int64_t status)
    {
        listed.statusChanged(row, StatusOf(table.cell(row, ColStatus)), status);
        table.setCell(row, ColStatus, std::to_string(status));
        summary.statusChanged(row, status);
    }
    std::vector<std::size_t> walk(std::optional<std::size_t> from, bool forward, int steps)
    {
        std::vector<std::size_t> rows;
        for (int i = 0; i < steps; ++i) {
            const auto found = listed.nextNeedingWork(from, forward);
            if (!found)
                break;
            rows.push_back(listed.rowAt(found->item));
            from = found->item;
        }
        return rows;
    }
    TokenTable table;
    TokenSummary summary;
    const SharedListRows rows = std::make_shared<const ListRows>(ListRows{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    ListedTokens listed;
};

TEST_F(ListedTokensTest, NextNeedingWorkSkipsReadOnlyAndWraps)
{
    // Needing work: status with flag 1, without flag 2: rows 2 (1), 6 (5), 11 (1).
    EXPECT_EQ(walk(std::nullopt, true, 4), (std::vector<std::size_t>{2, 6, 11, 2}));
    EXPECT_EQ(walk(std::nullopt, false, 4), (std::vector<std::size_t>{11, 6, 2, 11}));
    const auto last = listed.nextNeedingWork(*listed.itemOf(11), true);
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->wrapped);
    EXPECT_EQ(listed.rowAt(last->item), 2u);
    const auto first = listed.nextNeedingWork(*listed.itemOf(2), false);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->wrapped);
    EXPECT_FALSE(listed.nextNeedingWork(*listed.itemOf(2), true)->wrapped);
}

TEST_F(ListedTokensTest, FollowsStatusChanges)
{
    EXPECT_EQ(listed.progress(), (Progress{2, 9}));
    setStatus(6, 4);
    setStatus(2, 4);
    EXPECT_EQ(listed.progress(), (Progress{4, 9}));
    // Only row 11 is left: from it, the search comes back to it, wrapped.
    const auto only = listed.nextNeedingWork(*listed.itemOf(11), true);
    ASSERT_TRUE(only);
    EXPECT_EQ(listed.rowAt(only->item), 11u);
    EXPECT_TRUE(only->wrapped);
    setStatus(11, 4);
    EXPECT_FALSE(listed.nextNeedingWork(std::nullopt, true));
    EXPECT_FALSE(listed.nextNeedingWork(std::nullopt, false));
    EXPECT_EQ(listed.progress(), (Progress{5, 9}));
    setStatus(3, 1); // not listed: the list's counts stay
    EXPECT_EQ(listed.progress(), (Progress{5, 9}));
    EXPECT_FALSE(listed.itemOf(3));
    EXPECT_EQ(listed.itemOf(12), 10u);
    EXPECT_FALSE(listed.itemOf(13));
    EXPECT_FALSE(listed.itemOf(0));
}

TEST(TokenSummary, OneBytePerToken)
{
    TokenTable table;
    ASSERT_EQ(LoadTokens(kProject, table), TokenLoadStatus::Ok);
    TokenSummary summary;
    summary.assign(table);
    ASSERT_EQ(summary.tokenCount(), 15u);
    EXPECT_EQ(summary.type(13), 0); // "4.0"
    EXPECT_EQ(summary.type(14), 4); // Unknow type
    EXPECT_EQ(summary.type(15), 4);
    EXPECT_EQ(summary.type(1), 0);  // Menu
    EXPECT_EQ(summary.type(9), 2);  // String
    EXPECT_EQ(summary.type(12), 3); // Version
    EXPECT_TRUE(summary.exactlyTranslated(5));
    EXPECT_FALSE(summary.exactlyTranslated(10)); // 12
    EXPECT_EQ(summary.flags(10), 4);
    EXPECT_TRUE(summary.needsWork(6));  // 5
    EXPECT_FALSE(summary.needsWork(4)); // 3: read-only
    EXPECT_TRUE(summary.counts(4));
    EXPECT_FALSE(summary.counts(7));    // 6
    summary.statusChanged(7, 1);
    EXPECT_TRUE(summary.needsWork(7));
    EXPECT_EQ(summary.type(7), 0);      // the type stays
}

TEST(ListedTokens, WordBoundariesOfALongList)
{
    // 300 items; the items needing work fall on the edges of the 64-bit words
    // and after whole words without any.
    const std::vector<std::vector<std::size_t>> patterns = {
        {0, 63, 64, 127, 128, 199}, {0, 128, 192, 299}, {64}, {1, 255, 256}, {299}};
    for (const auto &needing : patterns) {
        std::string file;
        for (std::size_t i = 0; i < 300; ++i) {
            const bool needs = std::find(needing.begin(), needing.end(), i) != needing.end();
            file += "[[6|1|" + std::to_string(i) + "|0|" + (needs ? "1" : "4") + "|]]=t\r\n";
        }
        TokenTable table;
        ASSERT_EQ(LoadTokens(file, table), TokenLoadStatus::Ok);
        ListRows rows(300);
        for (std::size_t i = 0; i < 300; ++i)
            rows[i] = static_cast<ListRow>(i + 1);
        TokenSummary summary;
        summary.assign(table);
        ListedTokens listed;
        listed.assign(std::make_shared<const ListRows>(rows), summary);
        std::vector<std::size_t> forward, backward;
        std::optional<std::size_t> at;
        for (std::size_t i = 0; i < needing.size(); ++i) {
            at = listed.nextNeedingWork(at, true)->item;
            forward.push_back(*at);
        }
        at.reset();
        for (std::size_t i = 0; i < needing.size(); ++i) {
            at = listed.nextNeedingWork(at, false)->item;
            backward.push_back(*at);
        }
        EXPECT_EQ(forward, needing);
        EXPECT_EQ(backward, std::vector<std::size_t>(needing.rbegin(), needing.rend()));
    }
}

} // namespace

namespace {

// Statuses as files hold them, plain and odd, over every type.
const char kOddProject[] = "[[4|1|0|0|4|]]=a\r\n"
                           "[[4|1|1|0|04|]]=b\r\n"
                           "[[5|1|2|0| 1|]]=c\r\n"
                           "[[5|1|3|0|4.0|]]=d\r\n"
                           "[[6|1|4|0|-3|]]=e\r\n"
                           "[[6|1|5|0|+2|]]=f\r\n"
                           "[[16|1|6|0||]]=g\r\n"
                           "[[16|1|7|0|10|]]=h\r\n"
                           "[[9|1|8|0|13|]]=i\r\n"
                           "[[4.0|1|9|0|1e1|]]=j\r\n"
                           "[[x|1|10|0|6|]]=k\r\n"
                           "[[6|1|11|0|3.5|]]=l\r\n"
                           "[[5|1|12|0|x|]]=m\r\n"
                           "[[4|1|13|0|5|]]=n\r\n";

} // namespace

TEST(TokenSummary, StatusesNotInPlainDecimalAreMarked)
{
    TokenTable table;
    ASSERT_EQ(LoadTokens(kOddProject, table), TokenLoadStatus::Ok);
    TokenSummary summary;
    summary.assign(table);
    const bool odd[] = {false, true, true, true, false, true, true, false, false, true, false, true, true, false};
    ASSERT_EQ(summary.tokenCount(), std::size(odd));
    for (std::size_t row = 1; row <= summary.tokenCount(); ++row) {
        SCOPED_TRACE(table.cellText(row, ColStatus));
        EXPECT_EQ(summary.statusMayBeOdd(row), odd[row - 1]);
        EXPECT_EQ(summary.statusMayBeOdd(row),
                  table.cell(row, ColStatus) != IntegerToText(StatusOf(table.cell(row, ColStatus))));
    }
    // A status written since keeps the mark: "may be" stays true.
    summary.statusChanged(2, 4);
    EXPECT_TRUE(summary.statusMayBeOdd(2));
    EXPECT_EQ(summary.flags(2), 4);
}

// The list the window shows comes from the summary; it must be the list the
// table gives, for every filter the tree has and for odd ones, as read and
// after statuses change.
TEST(TokenList, TheSummaryListsWhatTheTableLists)
{
    TokenTable table;
    ASSERT_EQ(LoadTokens(std::string(kProject) + kOddProject, table), TokenLoadStatus::Ok);
    TokenSummary summary;
    summary.assign(table);
    const std::pair<const char *, const char *> filters[] = {
        {"all", "All tokens"},          {"byType Menu", "Menu"},          {"byType Dialog", "Dialog"},
        {"byType String", "String"},    {"byType Version", "Version"},    {"byType Unknow type", "Unknow type"},
        {"byType x", "Menus"},          {"byStatus 7 4", "Translated"},   {"byStatus 1 1", "Non-translated"},
        {"byStatus 2 2", "Read-only"},  {"byStatus 3 0", "None"},         {"byStatus 7 12", "Outside the mask"},
        {"byStatus 8 8", "A high bit"}, {"byStatus -1 -3", "All bits"},   {"byStatus 0 0", "No bit"}};
    const std::pair<std::size_t, std::int64_t> changes[] = {{1, 4}, {2, 1}, {16, 2}, {20, 12}, {28, 7}, {29, -8}};
    for (std::size_t changed = 0; changed <= std::size(changes); ++changed) {
        if (changed > 0) {
            const auto [row, status] = changes[changed - 1];
            table.setCell(row, ColStatus, IntegerToText(status));
            summary.statusChanged(row, status);
        }
        for (const auto &[tag, text] : filters) {
            const TokenFilter filter = ParseFilterTag(tag, text);
            for (bool showRO : {false, true}) {
                SCOPED_TRACE(std::string(tag) + (showRO ? " shown" : " hidden") + " after " + std::to_string(changed));
                EXPECT_EQ(ListTokens(summary, table, filter, showRO), ListTokens(table, filter, showRO));
            }
        }
    }
}
