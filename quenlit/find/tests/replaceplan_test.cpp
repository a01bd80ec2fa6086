#include "find/replaceplan.h"
#include "find/textcodec.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    const char16_t *text;
    const char16_t *find;
    const char16_t *replace;
    bool matchCase;
    bool wholeWords;
    const char16_t *result; // nullptr: no occurrence
    int count;
};

class ReplaceInTextTest : public testing::TestWithParam<TextCase>
{
};

TEST_P(ReplaceInTextTest, Occurrences)
{
    const TextCase &c = GetParam();
    const TextReplacement r = ReplaceInText(c.text, ReplaceOptions{c.find, c.replace, c.matchCase, c.wholeWords});
    EXPECT_EQ(r.count, c.count);
    if (c.result) {
        EXPECT_EQ(r.text, std::u16string(c.result));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReplaceInTextTest,
    testing::Values(
        TextCase{u"Open file", u"file", u"fichier", false, false, u"Open fichier", 1},
        TextCase{u"File and FILE", u"file", u"doc", false, false, u"doc and doc", 2},
        TextCase{u"File and FILE", u"FILE", u"doc", true, false, u"File and doc", 1},
        TextCase{u"Profile file", u"file", u"doc", false, true, u"Profile doc", 1},       // whole words
        TextCase{u"file_name file", u"file", u"doc", false, true, u"file_name doc", 1},   // "_" joins words
        TextCase{u"fichier.", u"fichier", u"document", false, true, u"document.", 1},
        TextCase{u"&Fichier", u"fichier", u"Document", false, false, u"&Document", 1},    // marker before stays
        TextCase{u"Fi&chier", u"fichier", u"Document", false, false, u"Do&cument", 1},    // marker moves along
        TextCase{u"Fi&chier", u"fichier", u"Do", false, false, u"D&o", 1},               // at most the last char
        TextCase{u"Fi&chier", u"fichier", u"&Doc", false, false, u"&Doc", 1},            // its own marker wins
        TextCase{u"Fi&chier", u"fichier", u"", false, false, u"", 1},                    // no marker without a letter
        TextCase{u"Tom && Jerry", u"&", u"et", false, false, u"Tom et Jerry", 1},        // "&&" is one "&"
        TextCase{u"Save && Exit", u"Save & Exit", u"Quit", false, false, u"Quit", 1},
        TextCase{u"aaaa", u"aa", u"b", false, false, u"bb", 2},                          // left to right, no overlap
        TextCase{u"\u00C9dition", u"\u00E9dition", u"Edit", false, false, u"Edit", 1},
        TextCase{u"\u00C9dition", u"\u00E9dition", u"Edit", true, false, nullptr, 0},
        TextCase{u"caf\u00E9s", u"caf", u"x", false, true, nullptr, 0}, // é is a letter
        TextCase{u"Open", u"", u"x", false, false, nullptr, 0}));

// Rows: 1 translated, 2 read-only with the text, 3 non-translated, 4 without the
// text, 5 read-only non-translated, 6 a text holding a tab read from the file.
const char kProject[] = "[[4|1|1|0|4|]]=&Fichier\r\n"
                        "[[4|1|2|0|6|]]=Fichier\r\n"
                        "[[6|1|3|0|1|]]=Le fichier du fichier\r\n"
                        "[[6|1|4|0|1|]]=Autre\r\n"
                        "[[6|1|5|0|3|]]=fichier\r\n"
                        "[[6|1|6|0|1|]]=fichier\tici \x80\r\n";

class PlanTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(LoadTokens(kProject, project), TokenLoadStatus::Ok); }
    ReplacePlan plan(const std::u16string &find, const std::u16string &replace,
                     ListRows rows = {1, 2, 3, 4, 5, 6})
    {
        return PlanReplace(project, rows, CharsetCodec::windows1252(), ReplaceOptions{find, replace, false, false});
    }
    TokenTable project;
};

TEST_F(PlanTest, ChangesTranslationsOfTheListNeverReadOnlyOnes)
{
    const ReplacePlan p = plan(u"fichier", u"document");
    ASSERT_EQ(p.changes.size(), 3u);
    EXPECT_EQ(p.changes[0].row, 1u);
    EXPECT_EQ(p.changes[0].before, "&Fichier");
    EXPECT_EQ(p.changes[0].after, "&document");
    EXPECT_EQ(p.changes[1].row, 3u);
    EXPECT_EQ(p.changes[1].after, "Le document du document");
    EXPECT_EQ(p.changes[1].count, 2);
    EXPECT_EQ(p.changes[2].row, 6u);
    // The tab and the byte 0x80 around the occurrence stay exactly as read.
    EXPECT_EQ(p.changes[2].after, "document\tici \x80");
    EXPECT_EQ(p.changes[2].afterText, u"document\tici \u20AC");
    EXPECT_EQ(p.readOnly, (std::vector<std::size_t>{2, 5}));
    EXPECT_EQ(p.occurrences(), 4u);
    // Nothing is written by planning.
    EXPECT_EQ(project.cell(1, ColText), "&Fichier");
}

TEST_F(PlanTest, OnlyTheRowsOfTheCurrentList)
{
    const ReplacePlan p = plan(u"fichier", u"document", {3, 4});
    ASSERT_EQ(p.changes.size(), 1u);
    EXPECT_EQ(p.changes[0].row, 3u);
}

TEST_F(PlanTest, ReplacementsTheCodePageCannotHoldAreNotPlanned)
{
    const ReplacePlan p = plan(u"fichier", u"\u0444\u0430\u0439\u043B");
    EXPECT_TRUE(p.changes.empty());
    EXPECT_EQ(p.unstorable, (std::vector<std::size_t>{1, 3, 6}));
}

TEST_F(PlanTest, RefusedReplacements)
{
    EXPECT_FALSE(plan(u"fichier", u"a\tb").refusal.empty());
    EXPECT_FALSE(plan(u"", u"x").refusal.empty());
    EXPECT_TRUE(plan(u"&", u"x").refusal.empty()); // a literal "&" is something to find
    EXPECT_TRUE(plan(u"Autre", u"Autre").changes.empty());     // the same text is no change
}

} // namespace
