#include "tokenio.h"
#include "tokenmerge.h"

#include <gtest/gtest.h>

namespace {

TokenTable table(const std::string &bytes)
{
    TokenTable t;
    EXPECT_EQ(LoadTokens(bytes, t), TokenLoadStatus::Ok);
    return t;
}

TEST(Merge, NewRemovedChangedAndUnchanged)
{
    const TokenTable previous = table("[[6|1|1|1|1|]]=Ready\r\n"
                                      "[[6|1|2|2|1|]]=File not found.\r\n"
                                      "[[6|1|3|3|1|]]=Gone\r\n"
                                      "[[6|1|4|4|1|]]=Same\r\n");
    const TokenTable master = table("[[6|1|1|1|1|]]=Ready\r\n"
                                    "[[6|1|2|2|1|]]=The file was not found.\r\n"
                                    "[[6|1|5|5|1|]]=New one\r\n"
                                    "[[6|1|4|4|1|]]=Same\r\n"
                                    "[[6|1|6|6|3|]]=1.0\r\n");
    const TokenTable project = table("[[6|1|1|1|4|]]=Pr\xEAt\r\n"
                                     "[[6|1|2|2|4|]]=Fichier introuvable.\r\n"
                                     "[[6|1|3|3|4|]]=Parti\r\n"
                                     " [6|1|4|4|04|]junk]=Pareil\r\n");
    EXPECT_EQ(MergeProjectTokens(master, project, previous),
              "[[6|1|1|1|4|]]=Pr\xEAt\r\n"
              "[[6|1|2|2|1|]]=Fichier introuvable.\r\n"
              "[[6|1|5|5|1|]]=New one\r\n"
              "[[6|1|4|4|04|]]=Pareil\r\n"
              "[[6|1|6|6|3|]]=1.0\r\n");
}

TEST(Merge, WithoutHistoryNothingCountsAsChanged)
{
    const TokenTable master = table("[[6|1|1|1|1|]]=Ready now\r\n");
    const TokenTable project = table("[[6|1|1|1|4|]]=Pr\xEAt\r\n");
    EXPECT_EQ(MergeProjectTokens(master, project, TokenTable()), "[[6|1|1|1|4|]]=Pr\xEAt\r\n");
    EXPECT_EQ(MergeProjectTokens(master, TokenTable(), TokenTable()), "[[6|1|1|1|1|]]=Ready now\r\n");
}

TEST(Merge, ChangedReadOnlyTokenStaysReadOnly)
{
    const TokenTable previous = table("[[16|1|t|2|3|FileVersion]]=1.0\r\n");
    const TokenTable master = table("[[16|1|t|2|3|FileVersion]]=2.0\r\n");
    const TokenTable project = table("[[16|1|t|2|6|FileVersion]]=1.0\r\n");
    EXPECT_EQ(MergeProjectTokens(master, project, previous), "[[16|1|t|2|3|FileVersion]]=1.0\r\n");
}

TEST(Import, ChangedTextsBecomeTranslated)
{
    const TokenTable project = table("[[6|1|1|1|1|]]=Ready\r\n"
                                     "[[6|1|2|2|4|]]=Same\r\n"
                                     "[[6|1|3|3|3|]]=1.0\r\n"
                                     "[[6|1|9|9|1|]]=Not in target\r\n");
    std::vector<ResourceToken> target(3);
    target[0] = {6, "1", "1", "1", "", "Pr\xEAt", false};
    target[1] = {6, "1", "2", "2", "", "Same", false};
    target[2] = {6, "1", "3", "3", "", "2.0", true};
    EXPECT_EQ(ImportTokens(project, target), "[[6|1|1|1|4|]]=Pr\xEAt\r\n"
                                             "[[6|1|2|2|4|]]=Same\r\n"
                                             "[[6|1|3|3|3|]]=1.0\r\n"
                                             "[[6|1|9|9|1|]]=Not in target\r\n");
}

} // namespace
