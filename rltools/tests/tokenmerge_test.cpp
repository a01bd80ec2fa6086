#include "tokenio.h"
#include "tokenmerge.h"
#include "tokenrefresh.h"

#include <gtest/gtest.h>

namespace {

TokenTable table(const std::string &bytes)
{
    TokenTable t;
    EXPECT_EQ(LoadTokens(bytes, t), TokenLoadStatus::Ok);
    return t;
}

std::string merge(const TokenTable &master, const TokenTable &project, const TokenTable &previous,
                  const CodePage &masterCodePage = CodePage::windows1252(),
                  const CodePage &projectCodePage = CodePage::windows1252())
{
    return RefreshProjectTokens(master, project, previous, ObsoleteTokens(), masterCodePage, projectCodePage).tokens;
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
    EXPECT_EQ(merge(master, project, previous),
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
    EXPECT_EQ(merge(master, project, TokenTable()), "[[6|1|1|1|4|]]=Pr\xEAt\r\n");
    EXPECT_EQ(merge(master, TokenTable(), TokenTable()), "[[6|1|1|1|1|]]=Ready now\r\n");
}

TEST(Merge, ChangedReadOnlyTokenStaysReadOnly)
{
    const TokenTable previous = table("[[16|1|t|2|3|FileVersion]]=1.0\r\n");
    const TokenTable master = table("[[16|1|t|2|3|FileVersion]]=2.0\r\n");
    const TokenTable project = table("[[16|1|t|2|6|FileVersion]]=1.0\r\n");
    EXPECT_EQ(merge(master, project, previous), "[[16|1|t|2|3|FileVersion]]=1.0\r\n");
}

// A master in one code page, a project in another: what comes from the master
// is written in the project's code page, and tokens pair up by their keys there.
TEST(Merge, AcrossCodePages)
{
    const CodePage &western = CodePage::get(1252);
    const CodePage &cyrillic = CodePage::get(1251);
    const CodePage &japanese = CodePage::get(932);
    // A version value name with an accented letter, and a text 1251 cannot hold.
    const TokenTable master = table("[[16|1|040904B0|0|1|Caf\xE9]]=Caf\xE9 cr\xE8me\r\n"
                                    "[[6|1|1|1|1|]]=Ready\r\n"
                                    "[[6|1|2|2|1|]]=New one\r\n");
    const TokenTable project = table("[[16|1|040904B0|0|4|Caf\\u00E9]]=\xCA\xE0\xF4\xE5\r\n"
                                     "[[6|1|1|1|4|]]=\xC3\xEE\xF2\xEE\xE2\xEE\r\n");
    EXPECT_EQ(merge(master, project, TokenTable(), western, cyrillic),
              "[[16|1|040904B0|0|4|Caf\\u00E9]]=\xCA\xE0\xF4\xE5\r\n"
              "[[6|1|1|1|4|]]=\xC3\xEE\xF2\xEE\xE2\xEE\r\n"
              "[[6|1|2|2|1|]]=New one\r\n");
    // A new token brings its master text, escaped where the project cannot hold it.
    EXPECT_EQ(merge(master, TokenTable(), TokenTable(), western, cyrillic),
              "[[16|1|040904B0|0|1|Caf\\u00E9]]=Caf\\u00E9 cr\\u00E8me\r\n"
              "[[6|1|1|1|1|]]=Ready\r\n"
              "[[6|1|2|2|1|]]=New one\r\n");
    // A Japanese master into a Western project: its texts as escapes.
    const TokenTable japaneseMaster = table("[[4|1|0|0|1|]]=\x83\x74\x83\x40\x83\x43\x83\x8B\x83\x5C(&F)\r\n");
    EXPECT_EQ(merge(japaneseMaster, TokenTable(), TokenTable(), japanese, western),
              "[[4|1|0|0|1|]]=\\u30D5\\u30A1\\u30A4\\u30EB\\u30BD(&F)\r\n");
    // The same code page keeps every byte, odd ones included.
    const TokenTable odd = table("[[6|1|1|1|1|]]=\\q\x98\r\n");
    EXPECT_EQ(merge(odd, TokenTable(), TokenTable(), cyrillic, cyrillic), "[[6|1|1|1|1|]]=\\q\x98\r\n");
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
