#include "codepage.h"
#include "checks/listcheckcounts.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

TEST(ListCheckCounts, FollowTheListAndTheChecks)
{
    TokenTable master, project;
    LoadTokens("[[6|1|1|0|1|]]=&Open\r\n[[6|1|2|1|1|]]=Name:\r\n[[6|1|3|2|1|]]=Options\r\n[[6|1|4|3|1|]]=%s\r\n",
               master);
    LoadTokens("[[6|1|1|0|4|]]=Ouvrir\r\n"   // error
               "[[6|1|2|1|4|]]=Nom\r\n"      // warning
               "[[6|1|3|2|4|]]=Options\r\n"  // info
               "[[6|1|4|3|4|]]=%s\r\n",      // none
               project);
    ProjectChecks checks;
    checks.reset(&master, &project, CodePage::windows1252(), CodePage::windows1252());
    ListCheckCounts counts;
    counts.setChecks(&checks);
    counts.setList({1, 2, 3, 4}, 4);
    EXPECT_EQ(counts.counts(), LevelCounts{}); // nothing checked yet
    checks.checkRows(1, 2);
    counts.update(1, 2);
    EXPECT_EQ(counts.counts(), (LevelCounts{1, 1, 0}));
    checks.checkRows(3, 4);
    checks.checkClashes();
    counts.update(3, 4);
    EXPECT_EQ(counts.counts(), (LevelCounts{1, 1, 1}));
    // A narrower list.
    counts.setList({2, 4}, 4);
    EXPECT_EQ(counts.counts(), (LevelCounts{0, 1, 0}));
    // An edit of a listed row and of a row not listed.
    project.setCell(2, ColText, "Nom :");
    project.setCell(1, ColText, "&Ouvrir");
    counts.update(checks.recheck(2));
    counts.update(checks.recheck(1));
    EXPECT_EQ(counts.counts(), LevelCounts{});
    counts.setList({1, 2, 3, 4}, 4);
    EXPECT_EQ(counts.counts(), (LevelCounts{0, 0, 1}));
    EXPECT_EQ(checks.counts(), (LevelCounts{0, 0, 1}));
}

} // namespace
