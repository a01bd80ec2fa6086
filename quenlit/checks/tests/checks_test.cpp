#include "checks/checks.h"
#include "checks/checktext.h"
#include "checks/lookups.h"
#include "codepage.h"
#include "memory/glossary.h"
#include "spelling/speller.h"
#include "testfiles.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

constexpr CheckMask kNone = 0;
constexpr CheckMask kAccel = MaskOf(CheckId::Accelerator);
constexpr CheckMask kShortcut = MaskOf(CheckId::Shortcut);
constexpr CheckMask kPlaceholder = MaskOf(CheckId::Placeholder);
constexpr CheckMask kEscape = MaskOf(CheckId::Escape);
constexpr CheckMask kBlanks = MaskOf(CheckId::Whitespace);
constexpr CheckMask kPunct = MaskOf(CheckId::Punctuation);
constexpr CheckMask kLength = MaskOf(CheckId::Length);
constexpr CheckMask kUnchanged = MaskOf(CheckId::Unchanged);
constexpr CheckMask kSpelling = MaskOf(CheckId::Spelling);
constexpr CheckMask kGlossary = MaskOf(CheckId::Glossary);

// A French dictionary of a few words (UTF-8) and a glossary, for the rows that
// check spelling and terms.
struct Lookups
{
    TempDir dir;
    std::unique_ptr<SpellerWords> words;
    std::unique_ptr<GlossaryTerms> terms;
    Lookups()
    {
        WriteFile(dir.file("fr_FR.aff"), "SET UTF-8\nWORDCHARS '\n");
        WriteFile(dir.file("fr_FR.dic"), "6\nouvrir\nfichier\nenregistrer\nle\ndocument\nl'\xC3\xA9" "diteur\n");
        words = std::make_unique<SpellerWords>(std::shared_ptr<spelling::Speller>(
            spelling::Speller::open({dir.file("fr_FR.aff"), dir.file("fr_FR.dic"), "fr_FR"}, dir.file("words.txt"))));
        terms = std::make_unique<GlossaryTerms>(std::make_shared<const memory::Glossary>(std::vector<memory::Term>{
            {"file", "fichier", "", {0, 0}, {12, 1}}, {"save", "enregistrer", "", {0, 0}, {12, 1}}}));
    }
};
const Lookups &lookups()
{
    static const Lookups kept;
    return kept;
}

// One token: its type and identification (fields 1, 3, 4), master and
// translation as token-file bytes (Windows-1252, escaped), and what must fire.
struct Row
{
    const char *name;
    const char *type;
    const char *id3;
    const char *id4;
    const char *master;
    const char *translation;
    CheckMask expected;
    bool lookups = false; // checked against the dictionary and the glossary of lookups()
};

class CheckTokenTest : public testing::TestWithParam<Row>
{
};

TEST_P(CheckTokenTest, Fires)
{
    const Row &row = GetParam();
    TokenCheckInput in;
    in.master = row.master;
    in.translation = row.translation;
    in.type = row.type;
    in.id3 = row.id3;
    in.id4 = row.id4;
    in.masterCodePage = &CodePage::windows1252();
    in.projectCodePage = &CodePage::windows1252();
    if (row.lookups) {
        in.words = lookups().words.get();
        in.terms = lookups().terms.get();
    }
    std::vector<Finding> findings;
    const CheckMask mask = CheckToken(in, &findings);
    EXPECT_EQ(CheckNames(mask), CheckNames(row.expected)) << row.master << " => " << row.translation;
    // Every check that fires says why, once.
    ASSERT_EQ(findings.size(), static_cast<std::size_t>(__builtin_popcount(mask)));
    for (const Finding &f : findings) {
        EXPECT_TRUE(mask & MaskOf(f.id));
        EXPECT_FALSE(f.message.empty());
    }
    EXPECT_EQ(CheckToken(in), mask);
}

Row menu(const char *name, const char *master, const char *translation, CheckMask expected)
{
    return {name, "4", "101", "1", master, translation, expected};
}
Row control(const char *name, const char *master, const char *translation, CheckMask expected)
{
    return {name, "5", "1001", "3", master, translation, expected};
}
Row string(const char *name, const char *master, const char *translation, CheckMask expected)
{
    return {name, "6", "12", "3", master, translation, expected};
}
Row looked(const char *name, const char *master, const char *translation, CheckMask expected)
{
    return {name, "6", "12", "3", master, translation, expected, true};
}

const Row kRows[] = {
    // accelerator
    menu("AccelKept", "&Open", "&Ouvrir", kNone),
    menu("AccelLost", "&Open", "Ouvrir", kAccel),
    menu("AccelDoubled", "&Open", "&Ou&vrir", kAccel),
    menu("AccelAdded", "Open", "&Ouvrir", kAccel),
    menu("AccelMovedIsFine", "Op&en", "&Ouvrir", kNone),
    menu("DoubleAmpersandIsLiteral", "Tom && Jerry", "Tom && Jerry", kUnchanged),
    menu("DoubleAmpersandBesideKey", "&Save && exit", "&Enregistrer && quitter", kNone),
    menu("SingleAmpersandFromLiteral", "R&&D", "R&D", kAccel),
    string("AmpersandBeforeBlankMarksNothing", "Drag & Drop", "Glisser-d\xE9poser", kNone),
    {"VersionValuesHaveNoKeys", "16", "040904b0", "1", "Smith&Sons", "Smith et fils", kNone},
    // shortcut
    menu("ShortcutKept", "&Open...\\tCtrl+O", "&Ouvrir...\\tCtrl+O", kNone),
    menu("ShortcutModifiersTranslated", "&Save\\tCtrl+Shift+S", "&Speichern\\tStrg+Umschalt+S", kNone),
    menu("ShortcutLost", "&Open...\\tCtrl+O", "&Ouvrir...", kShortcut | kEscape),
    menu("ShortcutKeyChanged", "&Print\\tCtrl+P", "&Imprimer\\tCtrl+I", kShortcut),
    menu("ShortcutKeyCase", "&Print\\tCtrl+P", "&Imprimer\\tCtrl+p", kNone),
    menu("FunctionKeyKept", "&Help\\tF1", "&Aide\\tF1", kNone),
    menu("FunctionKeyChanged", "&Help\\tF1", "&Aide\\tF2", kShortcut),
    menu("NamedKeyTranslated", "&Delete\\tDel", "&Supprimer\\tSuppr", kNone),
    menu("PlusKey", "Zoom &in\\tCtrl++", "&Agrandir\\tCtrl++", kNone),
    menu("ShortcutEmptied", "&Help\\tF1", "&Aide\\t", kShortcut),
    // placeholder
    string("PlaceholderKept", "Open %s?", "Ouvrir %s ?", kNone),
    string("PlaceholderLost", "Open %s?", "Ouvrir ?", kPlaceholder),
    string("PlaceholderChanged", "%d of %d", "%d sur %s", kPlaceholder),
    string("PercentPercent", "100%% done", "100 %% termin\xE9", kNone),
    string("ProsePercent", "50% done", "50 % effectu\xE9s", kNone),
    string("PercentPercentLostBeforeBlank", "100%% of %d", "100 % de %d", kPlaceholder),
    string("ProsePercentBesidePlaceholder", "Open %s", "Ouvrir %s à 50 %", kNone),
    string("FormatMessageReordered", "%1 copied to %2", "%2 re\xE7oit %1", kNone),
    string("FormatMessageLost", "%1 files", "fichiers", kPlaceholder),
    string("FormatMessageTypeChanged", "%1!d! items", "%1!s! \xE9l\xE9ments", kPlaceholder),
    string("WideAndSized", "%ls: %I64d bytes", "%ls : %I64d octets", kNone),
    // escape
    string("EscapesKept", "Line one\\nline two", "Ligne un\\nligne deux", kNone),
    string("LineFeedLost", "Line one\\nline two", "Ligne un ligne deux", kEscape),
    string("ReturnLost", "a\\r\\nb", "a\\nb", kEscape),
    string("EscapedBackslashIsNoLineFeed", "C:\\\\new", "C:\\\\nouveau", kNone),
    // whitespace
    string("TrailingBlankLost", "Name: ", "Nom :", kBlanks),
    string("LeadingBlankLost", " indented", "indent\xE9", kBlanks),
    string("NoBreakSpaceCountsAsBlank", "Name: ", "Nom\xA0:\xA0", kNone),
    // punctuation
    string("FrenchBlankBeforeColon", "Name:", "Nom :", kNone),
    string("FrenchNoBreakSpaceBeforeColon", "Name:", "Nom\xA0:", kNone),
    string("FrenchBlankBeforeQuestion", "Really?", "Vraiment ?", kNone),
    string("FrenchBlankBeforeExclamation", "Stop!", "Arr\xEAtez !", kNone),
    string("EllipsisCharForDots", "Open...", "Ouvrir\x85", kNone),
    string("DotsForEllipsisChar", "Open\x85", "Ouvrir...", kNone),
    string("PeriodLost", "File not found.", "Fichier introuvable", kPunct),
    string("QuestionLost", "Save changes?", "Enregistrer les modifications", kPunct),
    string("ColonLost", "Name:", "Nom", kPunct),
    string("EllipsisLost", "Open...", "Ouvrir", kPunct),
    string("EllipsisForPeriod", "Wait.", "Attendez...", kPunct),
    menu("LabelBeforeShortcut", "&Open...\\tCtrl+O", "&Ouvrir...\\tCtrl+O", kNone),
    menu("LabelBeforeShortcutLost", "&Open...\\tCtrl+O", "&Ouvrir\\tCtrl+O", kPunct),
    string("NoMarkNoCheck", "Ready", "Pr\xEAt.", kNone),
    // length
    control("LengthFine", "Cancel", "Annuler", kNone),
    control("LengthAtFiveMore", "OK", "Valider", kNone),
    control("LengthTooLong", "OK", "D'accord, c'est bon", kLength),
    control("LengthAtOneAndAHalf", "Twelve chars", "Eighteen chars ok!", kNone),
    control("LengthBeyondOneAndAHalf", "Twelve chars", "Nineteen characters", kLength),
    control("LengthMarkersNotCounted", "&Open", "&&&&&&&Ouvrir", kNone),
    {"CaptionHasNoLengthLimit", "5", "0", "0", "About", "\xC0 propos de cette application", kNone},
    string("StringsHaveNoLengthLimit", "OK", "D'accord, c'est bon", kNone),
    // unchanged
    control("UnchangedWithLetters", "Options", "Options", kUnchanged),
    string("UnchangedWithoutLetters", "1.0 - 100%", "1.0 - 100%", kNone),
    string("CaseChangedIsChanged", "OK", "Ok", kNone),
    string("UnchangedPlaceholderOnly", "%s: %d", "%s: %d", kNone),
    string("UnchangedWithPlaceholder", "%d files", "%d files", kUnchanged),
    // spelling and glossary
    looked("KnownWordsAndTerm", "&Open file", "&Ouvrir fichier", kNone),
    looked("UnknownWord", "&Open", "&Ouvrr", kSpelling),
    looked("MarkersEscapesPlaceholdersMasterWordsNotSpelt", "&Open %s\\nNotepad", "Ou&vrir %s\\nNotepad", kNone),
    looked("WordInTheProjectsCodePage", "Editor", "l'\xE9" "diteur", kNone),
    looked("TermMissed", "Save the file", "Enregistrer le document", kGlossary),
    looked("TermInAnyCaseAmpersandIgnored", "&File", "&Fichier", kNone),
    looked("TermWholeWordsOnly", "Profile", "Profil", kSpelling),
    looked("SpellingAndTermTogether", "Save", "Sauvr", kSpelling | kGlossary),
    string("NoDictionaryNoSpelling", "Save", "Sauvr", kNone),
};

INSTANTIATE_TEST_SUITE_P(Table, CheckTokenTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

TEST(CheckNames, RoundTrip)
{
    for (int i = 0; i < kCheckCount; ++i) {
        const auto id = static_cast<CheckId>(i);
        EXPECT_EQ(CheckFromName(CheckName(id)), id);
    }
    EXPECT_FALSE(CheckFromName("accel"));
    EXPECT_EQ(LevelFromName("warning"), CheckLevel::Warning);
    EXPECT_FALSE(LevelFromName("fatal"));
    EXPECT_EQ(CheckNames(kAccel | kUnchanged), "accelerator, unchanged");
}

// A project in memory: master and project token files as text.
struct Tables
{
    TokenTable master;
    TokenTable project;
    Tables(const std::string &masterLines, const std::string &projectLines)
    {
        LoadTokens(masterLines, master);
        LoadTokens(projectLines, project);
    }
    ProjectChecks run(MenuLevels levels = {}) const
    {
        ProjectChecks checks;
        checks.reset(&master, &project, CodePage::windows1252(), CodePage::windows1252(), std::move(levels));
        checks.run();
        return checks;
    }
};

TEST(ProjectChecks, OnlyTranslatedWritableTokensWithAMaster)
{
    const Tables t("[[6|1|1|0|1|]]=&Open\r\n[[6|1|2|1|1|]]=&Save\r\n[[6|1|3|2|1|]]=&Exit\r\n"
                   "[[6|1|4|3|1|]]=&Find\r\n[[6|1|5|4|1|]]=&Edit\r\n",
                   "[[6|1|1|0|4|]]=Ouvrir\r\n"  // translated: checked
                   "[[6|1|2|1|1|]]=Enregistrer\r\n" // non-translated
                   "[[6|1|3|2|6|]]=Quitter\r\n" // read-only
                   "[[6|1|9|9|4|]]=Orphelin &&\r\n" // no master
                   "[[6|1|5|4|5|]]=Editer\r\n"); // flags 1 and 4: checked
    const ProjectChecks c = t.run();
    EXPECT_EQ(c.fired(1), kAccel);
    EXPECT_EQ(c.fired(2), kNone);
    EXPECT_EQ(c.fired(3), kNone);
    EXPECT_EQ(c.fired(4), kNone);
    EXPECT_EQ(c.fired(5), kAccel);
    EXPECT_EQ(c.counts(), (LevelCounts{2, 0, 0}));
}

const char kDialogMaster[] = "[[5|100|0|0|1|]]=&Settings\r\n"
                             "[[5|100|1|1|1|]]=&Save file\r\n"
                             "[[5|100|2|2|1|]]=&Edit text\r\n"
                             "[[5|100|3|3|1|]]=&File name\r\n"
                             "[[5|100|4|4|1|]]=&Find all\r\n"
                             "[[5|200|1|1|1|]]=&Open file\r\n";

TEST(ProjectChecks, ClashWithinOneDialog)
{
    const Tables t(kDialogMaster, "[[5|100|0|0|4|]]=&R\xE9glages\r\n"
                                  "[[5|100|1|1|4|]]=&Enregistrer\r\n" // E, master S
                                  "[[5|100|2|2|4|]]=&Editer\r\n"      // E, master E: clash
                                  "[[5|100|3|3|4|]]=&Fichier\r\n"     // F, master F
                                  "[[5|100|4|4|4|]]=&Fouiller\r\n"    // F, master F: clashed already
                                  "[[5|200|1|1|4|]]=&Enregistrer\r\n"); // another dialog
    ProjectChecks c = t.run();
    const CheckMask clash = MaskOf(CheckId::AcceleratorClash);
    EXPECT_EQ(c.fired(1), kNone); // the caption takes no part
    EXPECT_EQ(c.fired(2), clash);
    EXPECT_EQ(c.fired(3), clash);
    EXPECT_EQ(c.fired(4), kNone);
    EXPECT_EQ(c.fired(5), kNone);
    EXPECT_EQ(c.fired(6), kNone);
    const auto findings = c.findings(2);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].id, CheckId::AcceleratorClash);
    EXPECT_NE(findings[0].message.find("\"&Editer\""), std::string::npos) << findings[0].message;
    EXPECT_NE(findings[0].message.find("dialog"), std::string::npos) << findings[0].message;
    EXPECT_EQ(c.counts(), (LevelCounts{0, 2, 0}));
    // Words given later: the rows checked so far are checked again, their clashes kept.
    c.setKnownWords(lookups().words.get());
    std::vector<std::size_t> changed;
    c.recheckRows(1, 6, &changed);
    EXPECT_EQ(changed, (std::vector<std::size_t>{1, 3, 5})); // "Réglages", "Editer", "Fouiller"
    EXPECT_EQ(c.fired(3), clash | kSpelling);
    EXPECT_EQ(c.findings(3).back().message, "unknown word: \"Editer\"");
    EXPECT_EQ(c.counts(), (LevelCounts{0, 2, 3}));
}

TEST(ProjectChecks, RecheckFollowsAnEditAndItsGroup)
{
    Tables t(kDialogMaster, "[[5|100|1|1|4|]]=&Enregistrer\r\n"
                            "[[5|100|2|2|4|]]=&Editer\r\n"
                            "[[5|100|3|3|4|]]=&Fichier\r\n");
    ProjectChecks c;
    c.reset(&t.master, &t.project, CodePage::windows1252(), CodePage::windows1252());
    c.run();
    EXPECT_EQ(c.fired(2), MaskOf(CheckId::AcceleratorClash));
    t.project.setCell(1, ColText, "Enre&gistrer");
    EXPECT_EQ(c.recheck(1), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(c.fired(1), kNone);
    EXPECT_EQ(c.fired(2), kNone);
    EXPECT_EQ(c.counts(), LevelCounts{});
    t.project.setCell(3, ColText, "Fichier");
    EXPECT_EQ(c.recheck(3), (std::vector<std::size_t>{3}));
    EXPECT_EQ(c.fired(3), kAccel);
    EXPECT_EQ(c.counts(), (LevelCounts{1, 0, 0}));
    // A token that is no longer translated is no longer checked.
    t.project.setCell(3, ColStatus, "1");
    c.recheck(3);
    EXPECT_EQ(c.fired(3), kNone);
}

// Where a dialog token's control is known, the text as drawn in it decides the
// "length" check; elsewhere the count of characters does.
TEST(ProjectChecks, LengthMeasuredInTheControlWhereItIsKnown)
{
    // Pixels per character: 6; every control is 60 pixels wide but that of row 3,
    // which is not known.
    struct Measure : ControlFitMeasure
    {
        std::optional<ControlFit> measure(std::size_t row, std::u16string_view text) const override
        {
            if (row == 3)
                return std::nullopt;
            const int width = static_cast<int>(checktext::WithoutMarkers(text).size()) * 6;
            return ControlFit{width <= 60, width, 60, 13, 13};
        }
    } measure;
    Tables t(kDialogMaster, "[[5|100|1|1|4|]]=&Enregistrer le fichier\r\n" // 22 characters: 132 pixels
                            "[[5|100|2|2|4|]]=&Modifier le\r\n"            // 11 of 9: long, but 66 pixels
                            "[[5|100|3|3|4|]]=&Nom du fichier en entier\r\n" // not measured: counted
                            "[[5|100|4|4|4|]]=&Tout\r\n");
    ProjectChecks c;
    c.setFitMeasure(&measure);
    c.reset(&t.master, &t.project, CodePage::windows1252(), CodePage::windows1252());
    c.run();
    EXPECT_EQ(c.fired(1), kLength);
    EXPECT_EQ(c.fired(2), kLength); // 66 > 60
    EXPECT_EQ(c.fired(3), kLength); // 24 characters of 10
    EXPECT_EQ(c.fired(4), kNone);
    const auto findings = c.findings(1);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].message, "the translation is 132 pixels wide, its control 60: it is clipped");
    EXPECT_NE(c.findings(3).at(0).message.find("characters"), std::string::npos);

    // A text long by its count that fits its control passes.
    t.project.setCell(2, ColText, "&Modifier");
    c.recheck(2);
    EXPECT_EQ(c.fired(2), kNone);
    t.project.setCell(4, ColText, "&Tout le texte du fichier");
    c.recheck(4);
    EXPECT_EQ(c.fired(4), kLength);
    // The measure stays through a new start; without it, characters are counted.
    c.reset(&t.master, &t.project, CodePage::windows1252(), CodePage::windows1252());
    c.run();
    EXPECT_EQ(c.fired(1), kLength);
    EXPECT_NE(c.findings(1).at(0).message.find("pixels"), std::string::npos);
    c.setFitMeasure(nullptr);
    c.recheck(1);
    EXPECT_NE(c.findings(1).at(0).message.find("characters"), std::string::npos);
}

TEST(ProjectChecks, RowsInSlicesGiveTheSameAsAllAtOnce)
{
    Tables t(kDialogMaster, "[[5|100|1|1|4|]]=&Enregistrer\r\n"
                            "[[5|100|2|2|4|]]=&Editer\r\n"
                            "[[5|100|3|3|4|]]=Fichier\r\n");
    ProjectChecks c;
    c.reset(&t.master, &t.project, CodePage::windows1252(), CodePage::windows1252());
    c.checkRows(1, 2);
    EXPECT_EQ(c.checkedUpTo(), 2u);
    EXPECT_FALSE(c.complete());
    // A change to a row not reached yet waits for its slice.
    EXPECT_TRUE(c.recheck(3).empty());
    c.checkRows(3, 3);
    // The clashes name the rows they change: the window repaints only those.
    std::vector<std::size_t> changed;
    c.checkClashes(&changed);
    EXPECT_EQ(changed, (std::vector<std::size_t>{1, 2}));
    EXPECT_TRUE(c.complete());
    const ProjectChecks all = t.run();
    for (std::size_t row = 1; row <= 3; ++row)
        EXPECT_EQ(c.fired(row), all.fired(row)) << row;
}

// A menu: File (Open, Save, Exit) and Edit (Cut, Copy, Paste), as rlman cuts it.
const char kMenuMaster[] = "[[4|1|0|0|1|]]=&File\r\n"
                           "[[4|1|101|1|1|]]=&Open\r\n"
                           "[[4|1|102|2|1|]]=&Save\r\n"
                           "[[4|1|103|3|1|]]=E&xit\r\n"
                           "[[4|1|0|4|1|]]=&Edit\r\n"
                           "[[4|1|201|5|1|]]=Cu&t\r\n"
                           "[[4|1|202|6|1|]]=&Copy\r\n"
                           "[[4|1|203|7|1|]]=&Paste\r\n";
// Each key appears once per popup, but "E" and "Q" twice in the whole menu.
const char kMenuProject[] = "[[4|1|0|0|4|]]=&Fichier\r\n"
                            "[[4|1|101|1|4|]]=&Ouvrir\r\n"
                            "[[4|1|102|2|4|]]=&Enregistrer\r\n"
                            "[[4|1|103|3|4|]]=&Quitter\r\n"
                            "[[4|1|0|4|4|]]=&Edition\r\n"
                            "[[4|1|201|5|4|]]=&Couper\r\n"
                            "[[4|1|202|6|4|]]=Co&pier\r\n"
                            "[[4|1|203|7|4|]]=Coller (&Q)\r\n";

std::vector<ResourceToken> menuTokens()
{
    auto item = [](const char *id, const char *position, long long popup) {
        ResourceToken t;
        t.type = 4;
        t.name = "1";
        t.item = id;
        t.position = position;
        t.popup = popup;
        return t;
    };
    return {item("0", "0", -1),  item("101", "1", 0), item("102", "2", 0), item("103", "3", 0),
            item("0", "4", -1),  item("201", "5", 4), item("202", "6", 4), item("203", "7", 4)};
}

TEST(ProjectChecks, MenuClashesByLevel)
{
    Tables t(kMenuMaster, kMenuProject);
    const CheckMask clash = MaskOf(CheckId::AcceleratorClash);
    // Levels known: "Q" in two popups is fine.
    ProjectChecks byLevel = t.run(MenuLevels::FromTokens(menuTokens(), t.master));
    for (std::size_t row = 1; row <= 8; ++row)
        EXPECT_EQ(byLevel.fired(row), kNone) << row;
    // A clash within one popup.
    t.project.setCell(7, ColText, "&Copier");
    byLevel.recheck(7);
    EXPECT_EQ(byLevel.fired(6), clash);
    EXPECT_EQ(byLevel.fired(7), clash);
    EXPECT_NE(byLevel.findings(7)[0].message.find("menu"), std::string::npos);
    // Without levels, menus take no part.
    t.project.setCell(7, ColText, "Co&pier");
    t.project.setCell(2, ColText, "&Quitter");
    const ProjectChecks skipped = t.run();
    for (std::size_t row = 1; row <= 8; ++row)
        EXPECT_EQ(skipped.fired(row), kNone) << row;
}

} // namespace
