#include "find/findindex.h"
#include "find/listnarrowing.h"
#include "find/textcodec.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

// Master rows: 1 &Open, 2 E&xit, 3 Tom && Jerry, 4 Window.
const char kMaster[] = "[[4|1|1|0|1|]]=&Open\r\n"
                       "[[4|1|2|0|1|]]=E&xit\r\n"
                       "[[6|1|3|0|1|]]=Tom && Jerry\r\n"
                       "[[6|1|4|0|1|]]=Window\r\n";
// Project rows: 1 &Ouvrir (master &Open), 2 Quitter (E&xit), 3 Tom && Jerry,
// 4 Fen\xEAtre (Window), 5 a token without master, 6 an empty translation of E&xit.
const char kProject[] = "[[4|1|1|0|4|]]=&Ouvrir\r\n"
                        "[[4|1|2|0|1|]]=Quitter\r\n"
                        "[[6|1|3|0|4|]]=Tom && Jerry\r\n"
                        "[[6|1|4|0|3|]]=Fen\xEAtre\r\n"
                        "[[6|9|9|0|1|]]=Seul\r\n"
                        "[[4|1|2|0|1|]]=\r\n";

class FindTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadTokens(kMaster, master), TokenLoadStatus::Ok);
        ASSERT_EQ(LoadTokens(kProject, project), TokenLoadStatus::Ok);
        index.reset(&project, &master, &CharsetCodec::windows1252(), &CharsetCodec::windows1252());
        list.addNarrowing(&find);
        list.setBase({1, 2, 3, 4, 5, 6});
    }

    ListRows typeAndRun(const std::u16string &text)
    {
        list.narrowingChanged(find.setText(text));
        list.runToEnd();
        return *list.rows();
    }

    TokenTable master;
    TokenTable project;
    FindIndex index;
    FindNarrowing find{index};
    NarrowedList list;
};

TEST_F(FindTest, MatchesTranslationOrMasterAsShown)
{
    const struct
    {
        const char16_t *typed;
        ListRows rows;
    } cases[] = {
        {u"open", {1}},              // the master's "&Open"
        {u"OUVRIR", {1}},            // the translation, case ignored
        {u"exit", {2, 6}},           // master E&xit, also for the empty translation
        {u"&", {3}},                 // only the literal ampersand
        {u"m & j", {3}},
        {u"fen\u00CAtre", {4}},       // decoded from Windows-1252, case-folded
        {u"seul", {5}},              // no master: the translation alone
        {u"quitterexit", {}},        // never across translation and master
        {u"zzz", {}},
        {u"", {1, 2, 3, 4, 5, 6}},   // empty: the base list as it is
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(n++);
        EXPECT_EQ(typeAndRun(c.typed), c.rows);
    }
    EXPECT_TRUE(index.complete());
}

TEST_F(FindTest, AnEmptyFindGivesTheBaseListItself)
{
    typeAndRun(u"open");
    typeAndRun(u"");
    EXPECT_FALSE(list.narrowed());
    EXPECT_FALSE(list.pending());
    EXPECT_EQ(list.rows(), list.base());
}

TEST_F(FindTest, LongerTextNarrowsTheLastResultShorterStartsOver)
{
    EXPECT_TRUE(find.setText(u"e") == false); // first text: no refinement
    list.narrowingChanged(false);
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(find.setText(u"ex"));
    EXPECT_FALSE(find.setText(u"x"));  // does not hold "ex"
    EXPECT_TRUE(find.setText(u"xi"));  // holds "x"
    EXPECT_FALSE(find.setText(u""));
}

TEST_F(FindTest, ALaterKeystrokeDropsTheWorkOfAnEarlierOne)
{
    list.narrowingChanged(find.setText(u"zzz"));
    EXPECT_FALSE(list.step(2)); // first two rows of the index
    EXPECT_TRUE(list.pending());
    // The next keystroke arrives before the run ends: its run replaces the other.
    list.narrowingChanged(find.setText(u"tom"));
    while (!list.step(1)) {
    }
    EXPECT_EQ(*list.rows(), (ListRows{3}));
    EXPECT_FALSE(list.pending());
}

TEST_F(FindTest, ARefinementDuringARunKeepsItsInput)
{
    typeAndRun(u"t"); // rows holding "t": 2 (Quitter, E&xit), 3, 4 (Fenêtre), 6 (E&xit)
    EXPECT_EQ(*list.rows(), (ListRows{2, 3, 4, 6}));
    list.narrowingChanged(find.setText(u"te"));
    list.step(1);
    list.narrowingChanged(find.setText(u"ter"));
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{2}));
    // Backspace to "t" gives the full answer again, from the base list.
    list.narrowingChanged(find.setText(u"t"));
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{2, 3, 4, 6}));
}

// The list the window shows is shared, not copied: a run, in steps, never
// touches it, even when it narrows that very list; the result is a list of its
// own, and the end of the find gives back the base list itself.
TEST_F(FindTest, AListGivenOutNeverChanges)
{
    const SharedListRows whole = list.rows();
    EXPECT_EQ(whole, list.base());
    typeAndRun(u"t");
    const SharedListRows shown = list.rows();
    EXPECT_NE(shown, whole);
    EXPECT_EQ(*shown, (ListRows{2, 3, 4, 6}));
    // A longer text narrows the list shown, a row per step.
    list.narrowingChanged(find.setText(u"te"));
    int steps = 0;
    while (!list.step(1)) {
        ++steps;
        EXPECT_EQ(list.rows(), shown); // the last result stands until the run ends
        EXPECT_EQ(*shown, (ListRows{2, 3, 4, 6}));
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(*list.rows(), (ListRows{2}));
    EXPECT_EQ(*shown, (ListRows{2, 3, 4, 6}));
    // A shorter text starts over from the base, which stays as it was too.
    list.narrowingChanged(find.setText(u"e"));
    list.step(2);
    EXPECT_EQ(*list.rows(), (ListRows{2}));
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{1, 2, 3, 4, 5, 6}));
    EXPECT_NE(list.rows(), whole);
    EXPECT_EQ(*whole, (ListRows{1, 2, 3, 4, 5, 6}));
    typeAndRun(u"");
    EXPECT_EQ(list.rows(), whole);
}

TEST_F(FindTest, ChangedTextsAreSearchedAsTheyAreNow)
{
    index.build(100);
    project.setCell(5, ColText, "Neuf");
    index.textChanged(5);
    project.setCell(4, ColText, "Fen\xEAtre neuve");
    index.textChanged(4);
    project.setCell(5, ColText, "Encore");
    index.textChanged(5); // changed twice
    EXPECT_EQ(typeAndRun(u"neu"), (ListRows{4}));
    EXPECT_EQ(typeAndRun(u"encore"), (ListRows{5}));
    EXPECT_EQ(typeAndRun(u"seul"), (ListRows{}));
    // Rows beside a changed one keep their own entries.
    EXPECT_EQ(index.entry(3), "tom & jerry\xFEtom & jerry");
    EXPECT_EQ(index.entry(6), "\xFE" "exit");
}

TEST_F(FindTest, TheIndexIsBuiltInSteps)
{
    EXPECT_FALSE(index.build(4));
    EXPECT_EQ(index.builtRows(), 4u);
    // A change of a row not built yet is read when its turn comes.
    project.setCell(6, ColText, "Sortir");
    index.textChanged(6);
    EXPECT_TRUE(index.build(4));
    EXPECT_EQ(index.entry(6), "sortir\xFE" "exit");
}

TEST_F(FindTest, ANewBaseRestartsPendingWork)
{
    list.narrowingChanged(find.setText(u"t"));
    list.step(1);
    list.setBase({3, 4});
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{3, 4}));
}

// A second narrowing, as another list option would add one.
struct OnlyRows : RowNarrowing
{
    std::vector<std::size_t> rows;
    bool on = false;
    bool active() const override { return on; }
    bool accepts(std::size_t row) const override
    {
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    }
};

TEST_F(FindTest, NarrowingsCombine)
{
    OnlyRows other;
    other.rows = {2, 3, 5};
    list.addNarrowing(&other);
    EXPECT_EQ(typeAndRun(u"t"), (ListRows{2, 3, 4, 6}));
    other.on = true;
    list.narrowingChanged(true);
    list.runToEnd();
    EXPECT_EQ(*list.rows(), (ListRows{2, 3}));
    EXPECT_EQ(typeAndRun(u""), (ListRows{2, 3, 5})); // the other alone
    other.on = false;
    list.narrowingChanged(false);
    EXPECT_FALSE(list.pending());
    EXPECT_EQ(list.rows(), list.base());
}

} // namespace
