#include "checks/checktext.h"
#include "codepage.h"
#include "checks/suggestions.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

std::string adapt(const std::u16string &translation, const std::u16string &theirs, const std::u16string &ours)
{
    return checktext::ToUtf8(AdaptTranslation(translation, theirs, ours));
}

struct AdaptRow
{
    const char *name;
    std::u16string translation;
    std::u16string theirMaster;
    std::u16string ourMaster;
    const char *expected;
};

class AdaptTest : public testing::TestWithParam<AdaptRow>
{
};

TEST_P(AdaptTest, Fits)
{
    const AdaptRow &r = GetParam();
    EXPECT_EQ(adapt(r.translation, r.theirMaster, r.ourMaster), r.expected);
    EXPECT_EQ(SimilarityKey(r.theirMaster), SimilarityKey(r.ourMaster));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdaptTest,
    testing::Values(
        AdaptRow{"KeyMovesToTheMastersLetter", u"&Optionen", u"&Options", u"O&ptions", "O&ptionen"},
        AdaptRow{"KeyStaysWhenTheLetterIsMissing", u"&Ouvrir", u"&Open", u"Op&en", "&Ouvrir"},
        AdaptRow{"KeyStaysWhenBothMastersAgree", u"&Fichier", u"&File", u"&FILE", "&Fichier"},
        AdaptRow{"KeyAddedOnTheLetter", u"Ouvrir", u"Open", u"&Open", "&Ouvrir"},
        AdaptRow{"KeyRemovedWhenTheMasterHasNone", u"&Ouvrir", u"&Open", u"Open", "Ouvrir"},
        AdaptRow{"LiteralAmpersandsStay", u"R&&D &outils", u"R&&D &tools", u"R&&D t&ools", "R&&D &outils"},
        AdaptRow{"KeyNotPlacedInAnEscape", u"Ouvrir\\tCtrl+T", u"&Open t\\tCtrl+T", u"Open &t\\tCtrl+T",
                 "Ouvrir\\tCtrl+T"},
        AdaptRow{"EllipsisAdded", u"Ouvrir", u"Open", u"Open...", "Ouvrir..."},
        AdaptRow{"EllipsisCharAdded", u"Ouvrir", u"Open", u"Open\u2026", "Ouvrir\u2026"},
        AdaptRow{"EllipsisRemoved", u"Ouvrir\u2026", u"Open...", u"Open", "Ouvrir"},
        AdaptRow{"ColonWithFrenchBlankRemoved", u"Nom :", u"Name:", u"Name", "Nom"},
        AdaptRow{"ColonAdded", u"Nom", u"Name", u"Name:", "Nom:"},
        AdaptRow{"SameEndingKept", u"Ouvrir\u2026", u"Open...", u"&Open\u2026", "&Ouvrir\u2026"}),
    [](const testing::TestParamInfo<AdaptRow> &info) { return std::string(info.param.name); });

TEST(SimilarityKey, IgnoresCaseKeysAndEndings)
{
    EXPECT_EQ(SimilarityKey(u"&Save As..."), u"save as");
    EXPECT_EQ(SimilarityKey(u"Save &as\u2026"), u"save as");
    EXPECT_EQ(SimilarityKey(u"SAVE AS:"), u"save as");
    EXPECT_EQ(SimilarityKey(u"R&&D"), u"r&d");
    EXPECT_NE(SimilarityKey(u"Save as?"), u"save as");
}

struct Project
{
    TokenTable master;
    TokenTable project;
    SuggestionIndex index;
    Project(const std::string &m, const std::string &p)
    {
        LoadTokens(m, master);
        LoadTokens(p, project);
        index.build(&master, &project, CodePage::windows1252(), CodePage::windows1252());
    }
    std::string suggestions(std::size_t row) const
    {
        std::string out;
        for (const Suggestion &s : index.suggestionsFor(row))
            out += s.text + (s.exact ? " =" : " ~") + std::to_string(s.count) + "\n";
        return out;
    }
};

const char kMaster[] = "[[5|1|1|1|1|]]=&Open\r\n"
                       "[[5|2|1|1|1|]]=&Open\r\n"
                       "[[5|3|1|1|1|]]=&Open\r\n"
                       "[[5|4|1|1|1|]]=&Open\r\n"
                       "[[5|5|1|1|1|]]=&Open\r\n"
                       "[[5|6|1|1|1|]]=Op&en...\r\n"
                       "[[5|7|1|1|1|]]=&Open\r\n"
                       "[[5|8|1|1|1|]]=&Open\r\n"
                       "[[5|9|1|1|1|]]=Close\r\n";

TEST(Suggestions, ExactFirstThenSimilarMostFrequentFirst)
{
    const Project p(kMaster, "[[5|1|1|1|4|]]=&Ouvrir\r\n"
                             "[[5|2|1|1|4|]]=O&uvrir\r\n"
                             "[[5|3|1|1|4|]]=O&uvrir\r\n"
                             "[[5|4|1|1|1|]]=&Open\r\n"        // needs work
                             "[[5|5|1|1|6|]]=&Lire\r\n"        // read-only: no source
                             "[[5|6|1|1|4|]]=Ouvrir l'&entr\xE9" "e...\r\n"
                             "[[5|7|1|1|5|]]=&Ouvrir tout\r\n" // flags 1 and 4: no source
                             "[[5|8|1|1|1|]]=&Open\r\n"
                             "[[5|9|1|1|4|]]=Fermer\r\n");
    EXPECT_EQ(p.suggestions(4), "O&uvrir =2\n&Ouvrir =1\n&Ouvrir l'entr\xE9" "e ~1\n");
    // The other way round: no "e" in "Ouvrir", so the keys stay; the ellipsis follows the master.
    EXPECT_EQ(p.suggestions(6), "O&uvrir... ~2\n&Ouvrir... ~1\n");
    EXPECT_EQ(p.suggestions(9), "");
}

TEST(Suggestions, AtMostThreeAndNoneWithoutMaster)
{
    const Project p(kMaster, "[[5|1|1|1|4|]]=&Ouvrir\r\n"
                             "[[5|2|1|1|4|]]=&Lire\r\n"
                             "[[5|3|1|1|4|]]=&Charger\r\n"
                             "[[5|4|1|1|4|]]=O&uvrir un fichier\r\n"
                             "[[5|7|1|1|1|]]=&Open\r\n"
                             "[[5|99|1|1|1|]]=&Open\r\n");
    EXPECT_EQ(p.index.suggestionsFor(5).size(), 3u);
    EXPECT_EQ(p.index.suggestionsFor(5, 5).size(), 4u);
    EXPECT_TRUE(p.index.suggestionsFor(6).empty());
}

TEST(Suggestions, FillProposesForTokensThatNeedWork)
{
    const Project p(kMaster, "[[5|1|1|1|4|]]=&Ouvrir\r\n"
                             "[[5|2|1|1|3|]]=&Open\r\n" // read-only: never filled
                             "[[5|3|1|1|1|]]=&Open\r\n"
                             "[[5|4|1|1|4|]]=&Ouvrir\r\n" // translated: never filled
                             "[[5|6|1|1|1|]]=Op&en...\r\n"
                             "[[5|7|1|1|5|]]=&Open\r\n"
                             "[[5|9|1|1|1|]]=Close\r\n"); // no twin
    const auto changes = ProposeFill(p.index);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].row, 3u);
    EXPECT_EQ(changes[0].text, "&Ouvrir");
    EXPECT_TRUE(changes[0].exact);
    EXPECT_EQ(changes[1].row, 5u);
    EXPECT_EQ(changes[1].text, "&Ouvrir...");
    EXPECT_FALSE(changes[1].exact);
    EXPECT_EQ(changes[2].row, 6u);
    EXPECT_EQ(changes[2].text, "&Ouvrir");
}

TEST(Suggestions, IndexBuiltInSlicesAndFollowsEdits)
{
    TokenTable master, project;
    LoadTokens(kMaster, master);
    LoadTokens("[[5|1|1|1|4|]]=&Ouvrir\r\n[[5|2|1|1|1|]]=&Open\r\n[[5|3|1|1|1|]]=&Open\r\n", project);
    SuggestionIndex index;
    index.reset(&master, &project, CodePage::windows1252(), CodePage::windows1252());
    index.indexRows(1, 2);
    EXPECT_FALSE(index.ready());
    EXPECT_TRUE(index.suggestionsFor(2).empty());
    index.indexRows(3, 3);
    // Sorted (on another thread, in the window), it offers nothing until made ready.
    index.sortGroups();
    EXPECT_FALSE(index.ready());
    EXPECT_TRUE(index.suggestionsFor(2).empty());
    index.setReady();
    ASSERT_TRUE(index.ready());
    ASSERT_EQ(index.suggestionsFor(2).size(), 1u);
    // Statuses and texts are read when asked.
    project.setCell(3, ColText, "Ou&vrir");
    project.setCell(3, ColStatus, "4");
    project.setCell(1, ColStatus, "1");
    const auto s = index.suggestionsFor(2);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, "Ou&vrir");
}

} // namespace
