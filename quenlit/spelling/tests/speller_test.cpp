#include "spelling/speller.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string ascii(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

struct WordRow
{
    const char *name;
    std::u16string text;
    std::u16string master;
    const char *words; // "word[begin,end]" joined by blanks
};

class SpellableWords : public testing::TestWithParam<WordRow>
{
};

TEST_P(SpellableWords, LeaveOutMarkersEscapesPlaceholdersAndTheMastersWords)
{
    const WordRow &row = GetParam();
    std::string shown;
    for (const auto &word : spelling::SpellableWords(row.text, row.master, u"'")) {
        if (!shown.empty())
            shown += ' ';
        shown += ascii(word.word) + "[" + std::to_string(word.begin) + "," + std::to_string(word.end) + "]";
    }
    EXPECT_EQ(shown, row.words);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpellableWords,
    testing::Values(WordRow{"AccessKeyInsideAWord", u"Fic&hier &Ouvrir", u"", "Fichier[0,8] Ouvrir[10,16]"},
                    WordRow{"AmpersandsSeparate", u"Noir&&Blanc", u"", "Noir[0,4] Blanc[6,11]"},
                    WordRow{"Escapes", u"Ouvrir...\\tCtrl+O\\nFin", u"Open...\\tCtrl+O", "Ouvrir[0,6] Fin[19,22]"},
                    WordRow{"Placeholders", u"%s fichiers %-5.2f %ls %I64d %1 %2!d! 50 %% %xyz",
                            u"", "fichiers[3,11] yz[46,48]"},
                    WordRow{"MasterWordsInAnyCase", u"Quitter NOTEPAD", u"Exit Notepad", "Quitter[0,7]"},
                    WordRow{"DigitsLeaveAWordOut", u"MP3 Win32 123 ok", u"", "ok[14,16]"},
                    WordRow{"ApostrophesAndHyphensBetweenLetters", u"l'\u00e9diteur porte-monnaie 'cit\u00e9' fin-",
                            u"", "l'?diteur[0,9] porte-monnaie[10,23] cit?[25,29] fin[31,34]"}),
    [](const auto &info) { return std::string(info.param.name); });

// A French dictionary of a few words, in UTF-8 or in ISO 8859-1.
void writeDictionary(const std::string &folder, const std::string &name, bool latin1)
{
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/" + name + ".aff", std::string(latin1 ? "SET ISO8859-1\n" : "SET UTF-8\n") +
                                                "TRY esianrtolcdugmphbyfvkwz\nWORDCHARS '\n"
                                                "SFX S Y 1\nSFX S 0 s .\n");
    const std::string e = latin1 ? "\xE9" : "\xC3\xA9";
    WriteFile(folder + "/" + name + ".dic", "6\nfichier/S\nouvrir\nle\nl'" + e + "diteur\n" + e + "diteur/S\nfen" +
                                                (latin1 ? "\xEA" : "\xC3\xAA") + "tre/S\n");
}

struct DictionaryRow
{
    const char *name;
    std::vector<const char *> files; // dictionaries made in the folder
    LanguageId language;
    const char *found; // locale of the dictionary found, or empty
};

class DictionaryLookup : public testing::TestWithParam<DictionaryRow>
{
};

TEST_P(DictionaryLookup, FindsTheLocaleThenTheLanguageThenAnyOfIt)
{
    const DictionaryRow &row = GetParam();
    TempDir dir;
    for (const char *name : row.files)
        writeDictionary(dir.file("dicts"), name, false);
    std::filesystem::remove(dir.file("dicts/de_AT.aff")); // a .dic alone is no dictionary
    const auto found = spelling::FindDictionary(row.language, {dir.file("missing"), dir.file("dicts")});
    EXPECT_EQ(found ? found->locale : std::string(), row.found);
    if (found) {
        EXPECT_EQ(found->dic, dir.file("dicts/") + row.found + ".dic");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DictionaryLookup,
    testing::Values(DictionaryRow{"Locale", {"fr_BE", "fr_FR", "fr"}, {12, 1}, "fr_FR"},
                    DictionaryRow{"LanguageAlone", {"fr_BE", "fr"}, {12, 1}, "fr"},
                    DictionaryRow{"AnotherOfTheLanguage", {"fr_CH", "fr_BE"}, {12, 3}, "fr_BE"},
                    DictionaryRow{"Russian", {"ru_RU", "fr_FR"}, {25, 1}, "ru_RU"},
                    DictionaryRow{"GermanOfGermany", {"de_DE"}, {7, 1}, "de_DE"},
                    DictionaryRow{"HalfADictionary", {"de_AT"}, {7, 3}, ""},
                    DictionaryRow{"None", {"fr_FR"}, {25, 1}, ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct CheckRow
{
    const char *name;
    bool latin1;
    std::string bytes; // the token text
    unsigned codePage;
    std::u16string master;
    const char *misspelt; // "word[bytes][chars]" joined by blanks
};

class SpellerCheck : public testing::TestWithParam<CheckRow>
{
};

TEST_P(SpellerCheck, GivesTheUnknownWordsWithTheirPlaces)
{
    const CheckRow &row = GetParam();
    TempDir dir;
    writeDictionary(dir.path().string(), "fr_FR", row.latin1);
    std::string failure;
    auto speller = spelling::Speller::open(*spelling::FindDictionary({12, 1}, {dir.path().string()}),
                                           dir.file("data/words-fr_FR.txt"), &failure);
    ASSERT_TRUE(speller) << failure;
    std::string shown;
    for (const auto &m : speller->check(row.bytes, CodePage::get(row.codePage), row.master)) {
        if (!shown.empty())
            shown += ' ';
        shown += ascii(m.word) + "[" + std::to_string(m.byteBegin) + "," + std::to_string(m.byteEnd) + "][" +
                 std::to_string(m.charBegin) + "," + std::to_string(m.charEnd) + "]";
    }
    EXPECT_EQ(shown, row.misspelt);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpellerCheck,
    testing::Values(CheckRow{"Known", false, "&Ouvrir le fichier", 1252, u"", ""},
                    CheckRow{"Affixed", false, "fichiers fen\xEAtres", 1252, u"", ""},
                    CheckRow{"Unknown", false, "Ouvrir le fichiier", 1252, u"", "fichiier[10,18][10,18]"},
                    CheckRow{"ConvertedFromTheCodePage", false, "l'\xE9" "diteur \xE9" "diteurs \xE9" "ditor", 1252, u"",
                             "?ditor[19,25][19,25]"},
                    CheckRow{"IntoALatin1Dictionary", true, "l'\xE9" "diteur fen\xEAtre fentre", 1252, u"",
                             "fentre[18,24][18,24]"},
                    CheckRow{"MasterWordsNeverFlagged", false, "Ouvrir Notepad", 1252, u"Open Notepad", ""},
                    CheckRow{"DoubleByteText", false, "\x82\xA0 fichiier", 932, u"", "?[0,2][0,1] fichiier[3,11][2,10]"},
                    CheckRow{"NotInTheDictionarysEncoding", true, "\xCE\xF2\xEA\xF0\xFB\xF2\xFC", 1251, u"",
                             "???????[0,7][0,7]"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Speller, SuggestsAndKeepsThePersonalWordList)
{
    TempDir dir;
    writeDictionary(dir.path().string(), "fr_FR", false);
    const auto dictionary = *spelling::FindDictionary({12, 1}, {dir.path().string()});
    const std::string list = spelling::PersonalWordListPath(dir.file("data"), {12, 1});
    EXPECT_EQ(list, dir.file("data/words-fr_FR.txt"));
    auto speller = spelling::Speller::open(dictionary, list);
    ASSERT_TRUE(speller);
    const auto misspelt = speller->check(u"fichiier Quenlit", u"", true);
    ASSERT_EQ(misspelt.size(), 2u);
    EXPECT_EQ(misspelt[0].suggestions.empty() ? std::u16string() : misspelt[0].suggestions[0], u"fichier");
    EXPECT_EQ(speller->suggest(u"ouvrr"), std::vector<std::u16string>{u"ouvrir"});

    EXPECT_EQ(speller->addToPersonal(u"Quenlit"), "");
    EXPECT_TRUE(speller->isCorrect(u"Quenlit"));
    EXPECT_EQ(ReadFile(list), "Quenlit\n");
    auto again = spelling::Speller::open(dictionary, list);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isCorrect(u"Quenlit")) << "the list is read at the next opening";
    EXPECT_FALSE(again->isCorrect(u"Quenlet"));
}

TEST(Speller, ReportsAMissingDictionaryAndNamesItsPackage)
{
    TempDir dir;
    std::string failure;
    EXPECT_FALSE(spelling::Speller::open({dir.file("x.aff"), dir.file("x.dic"), "x"}, dir.file("w.txt"), &failure));
    EXPECT_EQ(failure, "Can't read the dictionary " + dir.file("x.dic"));
    EXPECT_EQ(spelling::DictionaryPackage({12, 1}), "hunspell-fr");
    EXPECT_EQ(spelling::NoDictionaryMessage({12, 1}), "No spelling dictionary for French: install hunspell-fr");
}

// DICPATH, as Hunspell's own programs read it, else the system's folder.
TEST(Speller, DictionaryFoldersFromDicpath)
{
    const char *saved = std::getenv("DICPATH");
    const std::string kept = saved ? saved : "";
    setenv("DICPATH", "/a:/b c::", 1);
    EXPECT_EQ(spelling::DefaultDictionaryFolders(), (std::vector<std::string>{"/a", "/b c"}));
    unsetenv("DICPATH");
    EXPECT_EQ(spelling::DefaultDictionaryFolders(), (std::vector<std::string>{"/usr/share/hunspell"}));
    if (saved)
        setenv("DICPATH", kept.c_str(), 1);
}

} // namespace
