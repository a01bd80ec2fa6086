#include "languagelist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;

struct WordCase
{
    const char *line;
    int n;
    const char *word;
};

class Words : public testing::TestWithParam<WordCase>
{
};

TEST_P(Words, ExtractWord)
{
    EXPECT_EQ(ExtractWord(GetParam().line, GetParam().n), GetParam().word) << GetParam().line << " #" << GetParam().n;
}

INSTANTIATE_TEST_SUITE_P(LanguageLines, Words,
                         testing::Values(WordCase{"LANGUAGE 12 1", 2, "12"}, WordCase{"LANGUAGE 12 1", 3, "1"},
                                         WordCase{"LANGUAGE 12 1", 1, "LANGUAGE"}, WordCase{"LANGUAGE 12 1", 4, ""},
                                         WordCase{"LANGUAGE 12", 2, "12"}, WordCase{"LANGUAGE 12", 3, ""},
                                         WordCase{"LANGUAGE", 2, ""}, WordCase{"LANGUAGE", 3, ""},
                                         WordCase{"LANGUAGE  12 1", 2, ""}, WordCase{"LANGUAGE  12 1", 3, "12"},
                                         WordCase{"LANGUAGE\t12 1", 2, "1"}, WordCase{"a b", 0, ""},
                                         WordCase{"a b", -1, ""}, WordCase{"", 1, ""}, WordCase{"a b ", 3, ""}));

class Folder : public testing::Test
{
protected:
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tamrix-lang-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::string &name, const std::string &text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string folder() const { return dir.string() + "/"; }
};

TEST_F(Folder, CompleteRow)
{
    write("fr.prj", "demo.mpj\r\nC:\\Work\\fr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n..\\bin\\French.dll\r\n");
    write("FR.TOK", "");
    const LanguageRow row = ReadLanguageRow(folder(), "fr.prj");
    EXPECT_EQ(row.lang, "FR");
    EXPECT_EQ(row.langId, "12");
    EXPECT_EQ(row.langSubId, "1");
    EXPECT_EQ(row.tokenFile, "FR.TOK");
    EXPECT_EQ(row.tokenFileTag, "C:\\Work\\fr.tok");
    EXPECT_EQ(row.exeFile, "FRENCH.DLL");
    EXPECT_EQ(row.exeFileTag, "..\\bin\\French.dll");
    EXPECT_EQ(row.prjFile, "fr.prj");
    EXPECT_EQ(fs::path(row.tokenFileFound).filename(), "FR.TOK");
    EXPECT_TRUE(row.problems.empty());
}

TEST_F(Folder, TokenFileFoundWhateverItsCase)
{
    write("de.prj", "demo.mpj\r\nsub/De.Tok\r\n\r\n\r\n\r\nLANGUAGE 7 1\r\nde.dll\r\n");
    write("de.tok", "");
    const LanguageRow row = ReadLanguageRow(folder(), "de.prj");
    EXPECT_EQ(row.tokenFile, "DE.TOK");
    EXPECT_EQ(fs::path(row.tokenFileFound).filename(), "de.tok");
}

TEST_F(Folder, AccentedTokenFileFoundWhateverItsCase)
{
    // Windows-1252 names, as projects copied from Windows have them.
    write("x.prj", "m\r\n\xE9t\xE9.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nx.dll\r\n");
    write("\xC9t\xE9.Tok", "");
    const LanguageRow row = ReadLanguageRow(folder(), "x.prj");
    EXPECT_EQ(row.tokenFile, "\xC9T\xC9.TOK");
    EXPECT_EQ(fs::path(row.tokenFileFound).filename().string(), "\xC9t\xE9.Tok");
    EXPECT_TRUE(row.problems.empty());
}

TEST_F(Folder, WarningsKeepTheirValuesApart)
{
    write("\xE9t\xE9.prj", "m\r\nmissing.tok\r\n");
    const LanguageRow row = ReadLanguageRow(folder(), "\xE9t\xE9.prj");
    ASSERT_EQ(row.problems.size(), 2u);
    const PaneText &missing = row.problems[1];
    ASSERT_EQ(missing.pieces.size(), 5u);
    EXPECT_EQ(missing.pieces[1].source, PaneText::Value);
    EXPECT_EQ(missing.pieces[1].bytes, "MISSING.TOK");
    EXPECT_EQ(missing.pieces[3].source, PaneText::FileName);
    EXPECT_EQ(missing.pieces[3].bytes, "\xE9t\xE9.prj");
    EXPECT_EQ(missing.bytes(), "Attention : le fichier token MISSING.TOK du projet \xE9t\xE9.prj est introuvable dans le "
                               "dossier du projet ma\xEEtre.");
}

TEST_F(Folder, AccentedNamesInUpperCase)
{
    write("x.prj", "m\r\nfran\xE7" "ais.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n\xE9t\xE9.dll\r\n");
    const LanguageRow row = ReadLanguageRow(folder(), "x.prj");
    EXPECT_EQ(row.tokenFile, "FRAN\xC7" "AIS.TOK");
    EXPECT_EQ(row.lang, "FRAN\xC7" "AIS");
    EXPECT_EQ(row.exeFile, "\xC9T\xC9.DLL");
}

TEST_F(Folder, NamesInTheCodePageOfTheRowsLanguage)
{
    // A Russian project: файл.tok and программа.dll in Windows-1251.
    write("ru.prj", "m\r\n\xF4\xE0\xE9\xEB.tok\r\n\r\n\r\n\r\nLANGUAGE 25 1\r\n\xEF\xF0\xEE\xE3.dll\r\n");
    write("\xD4\xE0\xE9\xEB.Tok", "");
    const LanguageRow row = ReadLanguageRow(folder(), "ru.prj");
    EXPECT_EQ(row.codePage, 1251u);
    EXPECT_EQ(row.tokenFile, "\xD4\xC0\xC9\xCB.TOK"); // ФАЙЛ.TOK
    EXPECT_EQ(row.lang, "\xD4\xC0\xC9\xCB");
    EXPECT_EQ(row.exeFile, "\xCF\xD0\xCE\xC3.DLL"); // ПРОГ.DLL
    EXPECT_EQ(row.tokenFileTag, "\xF4\xE0\xE9\xEB.tok");
    EXPECT_EQ(fs::path(row.tokenFileFound).filename().string(), "\xD4\xE0\xE9\xEB.Tok");
    EXPECT_TRUE(row.problems.empty());

    // A Japanese project: a trail byte that reads as a small letter stays as it is
    // (ッ is 0x83 0x62), the letters around it become capitals.
    write("ja.prj", "m\r\na\x83\x62" "b.tok\r\n\r\n\r\n\r\nLANGUAGE 17 1\r\nx.dll\r\n");
    const LanguageRow ja = ReadLanguageRow(folder(), "ja.prj");
    EXPECT_EQ(ja.codePage, 932u);
    EXPECT_EQ(ja.tokenFile, "A\x83\x62" "B.TOK");
    // The warning about the missing file shows its value in the row's code page.
    ASSERT_EQ(ja.problems.size(), 1u);
    EXPECT_EQ(ja.problems[0].codePage, 932u);
}

TEST_F(Folder, IncompleteProjectsStillGiveAWholeRow)
{
    write("short.prj", "demo.mpj\r\nit.tok\r\n");
    write("tiny.prj", "demo.mpj\r\na.t\r\n\r\n\r\n\r\nLANGUAGE 16\r\nit.dll\r\n");
    write("four.prj", "demo.mpj\r\nA.TK\r\n\r\n\r\n\r\nLANGUAGE\r\nx.dll\r\n");
    write("A.TK", "");
    const LanguageRow shortRow = ReadLanguageRow(folder(), "short.prj");
    EXPECT_EQ(shortRow.lang, "IT");
    EXPECT_EQ(shortRow.langId, "");
    EXPECT_EQ(shortRow.exeFileTag, "");
    EXPECT_TRUE(shortRow.tokenFileFound.empty());
    EXPECT_EQ(shortRow.problems.size(), 2u); // too short, token file missing

    const LanguageRow tiny = ReadLanguageRow(folder(), "tiny.prj");
    EXPECT_EQ(tiny.lang, "");
    EXPECT_EQ(tiny.tokenFile, "A.T");
    EXPECT_EQ(tiny.langId, "16");
    EXPECT_EQ(tiny.langSubId, "");
    EXPECT_FALSE(tiny.problems.empty());

    const LanguageRow four = ReadLanguageRow(folder(), "four.prj");
    EXPECT_EQ(four.lang, "");
    EXPECT_EQ(four.tokenFile, "A.TK");
    EXPECT_TRUE(four.problems.empty());

    const LanguageRow missing = ReadLanguageRow(folder(), "gone.prj");
    EXPECT_EQ(missing.prjFile, "gone.prj");
    EXPECT_EQ(missing.problems.size(), 1u);
}

} // namespace
