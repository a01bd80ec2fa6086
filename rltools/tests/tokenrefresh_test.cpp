// Refreshes across versions of a program, each version's resources built from
// its .rc source by windres.
#include "peinfo.h"
#include "restokens.h"
#include "tokenio.h"
#include "tokenmerge.h"
#include "tokenrefresh.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// The master token file of an .rc source (US English).
std::string masterOf(const std::string &rc)
{
    const fs::path dir = fs::temp_directory_path() / ("tamrix-refresh-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "v.rc", std::ios::binary) << "#pragma code_page(65001)\nLANGUAGE 9, 1\n" << rc;
    std::string output;
    EXPECT_EQ(CompileResources(dir / "v.rc", dir / "v.res", output), 0) << output;
    const auto bytes = ReadBytes(dir / "v.res");
    fs::remove_all(dir);
    return MasterTokenFile(ExtractTokens(ReadResourceFile(bytes)));
}

TokenTable tableOf(std::string bytes)
{
    TokenTable t;
    EXPECT_EQ(LoadTokensStrictly(std::move(bytes), t), 0u);
    return t;
}

// Version 1 translated: each pair, in turn, gives its translation and status 4 to
// the first token of its text that has none yet.
std::string translated(const std::string &master, const std::vector<std::pair<std::string, std::string>> &words)
{
    std::vector<bool> used(words.size());
    std::string out;
    std::istringstream lines(master);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("]]=");
        const std::string text = line.substr(at + 3, line.size() - at - 4);
        for (std::size_t w = 0; w < words.size(); ++w) {
            if (!used[w] && text == words[w].first) {
                used[w] = true;
                const auto bar = line.rfind('|', at);
                line = line.substr(0, line.rfind('|', bar - 1) + 1) + "4" + line.substr(bar, at + 3 - bar) +
                       words[w].second + "\r";
                break;
            }
        }
        out += line + "\n";
    }
    return out;
}

struct RefreshCase
{
    const char *name;
    std::vector<std::string> versions; // .rc sources, the first one translated
    std::vector<std::pair<std::string, std::string>> translations;
    const char *expected;  // the project token file after the last version
    const char *summaries; // the totals line of each refresh after the first
    const char *obsolete;  // TOKENFILE.obsolete at the end
    bool history = true;   // TOKENFILE.master there
};

void PrintTo(const RefreshCase &c, std::ostream *os)
{
    *os << c.name;
}

class Refresh : public testing::TestWithParam<RefreshCase>
{
};

TEST_P(Refresh, KeepsEveryTranslation)
{
    const RefreshCase &c = GetParam();
    std::string previous = masterOf(c.versions[0]);
    std::string project = translated(previous, c.translations);
    std::string obsolete;
    std::string summaries;
    for (std::size_t v = 1; v < c.versions.size(); ++v) {
        const std::string master = masterOf(c.versions[v]);
        const RefreshResult r =
            RefreshProjectTokens(tableOf(master), tableOf(project), tableOf(c.history ? previous : std::string()),
                                 ReadObsoleteTokens(obsolete));
        project = r.tokens;
        obsolete += r.obsolete;
        summaries += RefreshSummary("fr.tok", r.counts) + "\n";
        previous = master;
    }
    EXPECT_EQ(project, c.expected);
    EXPECT_EQ(summaries, c.summaries);
    EXPECT_EQ(obsolete, c.obsolete);
}

// A new version: the source with each change made.
std::string edited(std::string rc, const std::vector<std::pair<std::string, std::string>> &changes)
{
    for (const auto &[from, to] : changes) {
        const auto at = rc.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            rc.replace(at, from.size(), to);
    }
    return rc;
}

const std::string kMenu = R"(1 MENU
BEGIN
  POPUP "&File"
  BEGIN
    MENUITEM "&Open", 101
    MENUITEM "&Save", 102
  END
  POPUP "&Edit"
  BEGIN
    MENUITEM "&Copy", 201
  END
END
)";
const std::vector<std::pair<std::string, std::string>> kMenuWords = {{"&File", "&Fichier"},
                                                                     {"&Open", "&Ouvrir"},
                                                                     {"&Save", "&Enregistrer"},
                                                                     {"&Edit", "&Edition"},
                                                                     {"&Copy", "&Copier"}};
const std::string kSave = "    MENUITEM \"&Save\", 102\n";
const std::string kInsertedFirst =
    edited(kMenu, {{"    MENUITEM \"&Open", "    MENUITEM \"&New\", 100\n    MENUITEM \"&Open"}});

const std::string kDialog = R"(100 DIALOG 0, 0, 200, 80
CAPTION "Find"
BEGIN
  LTEXT "Fi&nd what:", -1, 5, 5, 50, 8
  EDITTEXT 1001, 60, 5, 100, 12
  CHECKBOX "Match &case", 1002, 5, 20, 80, 10
  LTEXT "Direction", -1, 5, 35, 50, 8
  DEFPUSHBUTTON "&Find next", 1, 140, 40, 50, 14
  PUSHBUTTON "Cancel", 2, 140, 60, 50, 14
END
)";
const std::vector<std::pair<std::string, std::string>> kDialogWords = {
    {"Find", "Rechercher"},     {"Fi&nd what:", "&Rechercher :"}, {"Match &case", "Respecter la &casse"},
    {"Direction", "Direction"}, {"&Find next", "&Suivant"},       {"Cancel", "Annuler"}};
const std::string kFindNext = "  DEFPUSHBUTTON \"&Find next\", 1, 140, 40, 50, 14\n";

const std::string kPerson = R"(200 DIALOG 0, 0, 200, 80
CAPTION "Person"
BEGIN
  LTEXT "Name:", -1, 5, 5, 50, 8
  EDITTEXT 1001, 60, 5, 100, 12
  LTEXT "Name:", -1, 5, 20, 50, 8
  EDITTEXT 1002, 60, 20, 100, 12
  PUSHBUTTON "&Reset", 5, 5, 60, 50, 14
  PUSHBUTTON "R&estore", 5, 60, 60, 50, 14
END
)";

const std::string kVersion = R"(1 VERSIONINFO
FILEVERSION 1,0,0,0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "CompanyName", "Velmora"
      VALUE "FileDescription", "Demo library"
    END
  END
END
)";

const RefreshCase kCases[] = {
    {"ItemInsertedFirst",
     {kMenu, kInsertedFirst},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|100|1|1|]]=&New\r\n"
     "[[4|1|101|2|4|]]=&Ouvrir\r\n"
     "[[4|1|102|3|4|]]=&Enregistrer\r\n"
     "[[4|1|0|4|4|]]=&Edition\r\n"
     "[[4|1|201|5|4|]]=&Copier\r\n",
     "fr.tok: 1 kept, 4 moved, 1 new, 0 obsolete\n",
     ""},
    {"ItemInsertedInTheMiddle",
     {kMenu, edited(kMenu, {{kSave, kSave + "    MENUITEM \"Save &as...\", 103\n"}})},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|101|1|4|]]=&Ouvrir\r\n"
     "[[4|1|102|2|4|]]=&Enregistrer\r\n"
     "[[4|1|103|3|1|]]=Save &as...\r\n"
     "[[4|1|0|4|4|]]=&Edition\r\n"
     "[[4|1|201|5|4|]]=&Copier\r\n",
     "fr.tok: 3 kept, 2 moved, 1 new, 0 obsolete\n",
     ""},
    {"ItemInsertedLast",
     {kMenu, edited(kMenu, {{"&Copy\", 201\n", "&Copy\", 201\n    MENUITEM \"&Paste\", 202\n"}})},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|101|1|4|]]=&Ouvrir\r\n"
     "[[4|1|102|2|4|]]=&Enregistrer\r\n"
     "[[4|1|0|3|4|]]=&Edition\r\n"
     "[[4|1|201|4|4|]]=&Copier\r\n"
     "[[4|1|202|5|1|]]=&Paste\r\n",
     "fr.tok: 5 kept, 0 moved, 1 new, 0 obsolete\n",
     ""},
    // A changed text found by its id keeps its translation, to review.
    {"TextChangedAndMoved",
     {kMenu, edited(kInsertedFirst, {{"&Save\"", "&Save all\""}})},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|100|1|1|]]=&New\r\n"
     "[[4|1|101|2|4|]]=&Ouvrir\r\n"
     "[[4|1|102|3|1|]]=&Enregistrer\r\n"
     "[[4|1|0|4|4|]]=&Edition\r\n"
     "[[4|1|201|5|4|]]=&Copier\r\n",
     "fr.tok: 1 kept, 4 moved, 1 new, 0 obsolete; 1 to review\n",
     ""},
    // Gone in version 2, back in version 3: TOKENFILE.obsolete gives it back.
    {"ItemRemovedThenBroughtBack",
     {kMenu, edited(kMenu, {{kSave, ""}}), kMenu},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|101|1|4|]]=&Ouvrir\r\n"
     "[[4|1|102|2|4|]]=&Enregistrer\r\n"
     "[[4|1|0|3|4|]]=&Edition\r\n"
     "[[4|1|201|4|4|]]=&Copier\r\n",
     "fr.tok: 2 kept, 2 moved, 0 new, 1 obsolete (fr.tok.obsolete)\n"
     "fr.tok: 2 kept, 2 moved, 1 recovered, 0 new, 0 obsolete\n",
     ";&Save\r\n"
     "[[4|1|102|2|4|]]=&Enregistrer\r\n"},
    {"ControlInsertedAndOneRemoved",
     {kDialog, edited(kDialog, {{"BEGIN\n", "BEGIN\n  CHECKBOX \"&Whole word\", 1003, 5, 50, 80, 10\n"},
                                {"  CHECKBOX \"Match &case\", 1002, 5, 20, 80, 10\n", ""}})},
     kDialogWords,
     "[[5|100|0|0|4|]]=Rechercher\r\n"
     "[[5|100|1003|1|1|]]=&Whole word\r\n"
     "[[5|100|-1|2|4|]]=&Rechercher :\r\n"
     "[[5|100|-1|4|4|]]=Direction\r\n"
     "[[5|100|1|5|4|]]=&Suivant\r\n"
     "[[5|100|2|6|4|]]=Annuler\r\n",
     "fr.tok: 4 kept, 1 moved, 1 new, 1 obsolete (fr.tok.obsolete)\n",
     ";Match &case\r\n"
     "[[5|100|1002|3|4|]]=Respecter la &casse\r\n"},
    {"TwoControlsSwapped",
     {kDialog, edited(kDialog, {{kFindNext, ""}, {"END", kFindNext + "END"}})},
     kDialogWords,
     "[[5|100|0|0|4|]]=Rechercher\r\n"
     "[[5|100|-1|1|4|]]=&Rechercher :\r\n"
     "[[5|100|1002|3|4|]]=Respecter la &casse\r\n"
     "[[5|100|-1|4|4|]]=Direction\r\n"
     "[[5|100|2|5|4|]]=Annuler\r\n"
     "[[5|100|1|6|4|]]=&Suivant\r\n",
     "fr.tok: 4 kept, 2 moved, 0 new, 0 obsolete\n",
     ""},
    // Its translation follows a text anywhere, to review.
    {"StringMovedToAnotherBlock",
     {"STRINGTABLE\nBEGIN\n  1 \"Ready\"\n  2 \"Not found\"\nEND\n",
      "STRINGTABLE\nBEGIN\n  1 \"Ready\"\n  20 \"Not found\"\nEND\n"},
     {{"Ready", "Pret"}, {"Not found", "Introuvable"}},
     "[[6|1|1|1|4|]]=Pret\r\n"
     "[[6|2|20|4|1|]]=Introuvable\r\n",
     "fr.tok: 1 kept, 1 moved, 0 new, 0 obsolete; 1 to review\n",
     ""},
    // Labels of one text and controls of one id: no rule guesses among them, and
    // the label that took the first one's place does not take its translation.
    {"DuplicateIdsAndTexts",
     {kPerson, edited(kPerson, {{"BEGIN\n", "BEGIN\n  LTEXT \"Title:\", -1, 5, 35, 50, 8\n"}})},
     {{"Person", "Personne"},
      {"Name:", "Nom :"},
      {"Name:", "Pr\xE9nom :"},
      {"&Reset", "&R\xE9initialiser"},
      {"R&estore", "R&estaurer"}},
     "[[5|200|0|0|4|]]=Personne\r\n"
     "[[5|200|-1|1|1|]]=Title:\r\n"
     "[[5|200|-1|2|1|]]=Name:\r\n"
     "[[5|200|-1|4|1|]]=Name:\r\n"
     "[[5|200|5|6|4|]]=&R\xE9initialiser\r\n"
     "[[5|200|5|7|4|]]=R&estaurer\r\n",
     "fr.tok: 1 kept, 2 moved, 3 new, 2 obsolete (fr.tok.obsolete)\n",
     ";Name:\r\n"
     "[[5|200|-1|1|4|]]=Nom :\r\n"
     ";Name:\r\n"
     "[[5|200|-1|3|4|]]=Pr\xE9nom :\r\n"},
    // The read-only flag comes from the new master; a token that held no
    // translation takes the new master text.
    {"ReadOnlyFlags",
     {"STRINGTABLE\nBEGIN\n  1 \"Version 1\"\n  2 \"100%\"\n  3 \"Ready\"\nEND\n",
      "STRINGTABLE\nBEGIN\n  1 \"1.0\"\n  2 \"100 percent\"\n  3 \"Ready\"\nEND\n"},
     {{"Version 1", "Version un"}, {"Ready", "Pret"}},
     "[[6|1|1|1|3|]]=Version un\r\n"
     "[[6|1|2|2|1|]]=100 percent\r\n"
     "[[6|1|3|3|4|]]=Pret\r\n",
     "fr.tok: 3 kept, 0 moved, 0 new, 0 obsolete; 1 to review\n",
     ""},
    // A version value is found by its name when values are inserted before it.
    {"VersionValueInserted",
     {kVersion, edited(kVersion, {{"      VALUE \"CompanyName\"",
                                   "      VALUE \"Comments\", \"Nothing\"\n      VALUE \"CompanyName\""},
                                  {"Demo library", "Demo library, new edition"}})},
     {{"Velmora", "Velmora SA"}, {"Demo library", "Biblioth\xE8que de d\xE9mo"}},
     "[[16|1|040904b0|0|1|Comments]]=Nothing\r\n"
     "[[16|1|040904b0|1|4|CompanyName]]=Velmora SA\r\n"
     "[[16|1|040904b0|2|1|FileDescription]]=Biblioth\xE8que de d\xE9mo\r\n",
     "fr.tok: 0 kept, 2 moved, 1 new, 0 obsolete; 1 to review\n",
     ""},
    // Without TOKENFILE.master, only ids find moved tokens, and they are to review.
    {"WithoutHistory",
     {kMenu, kInsertedFirst},
     kMenuWords,
     "[[4|1|0|0|4|]]=&Fichier\r\n"
     "[[4|1|100|1|1|]]=&New\r\n"
     "[[4|1|101|2|1|]]=&Ouvrir\r\n"
     "[[4|1|102|3|1|]]=&Enregistrer\r\n"
     "[[4|1|0|4|1|]]=&Edit\r\n"
     "[[4|1|201|5|1|]]=&Copier\r\n",
     "fr.tok: 1 kept, 3 moved, 2 new, 1 obsolete (fr.tok.obsolete); 3 to review\n",
     "[[4|1|0|3|4|]]=&Edition\r\n",
     false},
};

INSTANTIATE_TEST_SUITE_P(Versions, Refresh, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<RefreshCase> &info) { return info.param.name; });

} // namespace
