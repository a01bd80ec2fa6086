#include "check/checkrun.h"
#include "memory/sqlitememory.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

Outcome check(const std::vector<std::string> &args)
{
    CurrentDirGuard guard;
    std::ostringstream out, err;
    Outcome r;
    r.status = RunChecker(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

const std::string kData = CHECK_TEST_DATA;
const std::string kTok = kData + "/fr.tok";

// The fixture has one finding of every check; its fourth line is not a token,
// so the tokens after it are one line further down than their row.
TEST(CheckRun, OneFindingOfEveryId)
{
    const Outcome r = check({kData + "/fr.prj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              kTok + ":1: error: [accelerator] the original has one access key (\"F\"), the translation none\n" +
              kTok + ":2: error: [shortcut] the shortcut key \"V\" differs from the original's \"O\"\n" +
              kTok + ":6: warning: [accelerator-clash] the access key \"E\" is also that of \"&Editer\" in the "
                     "same dialog, whose original keys differ\n" +
              kTok + ":7: warning: [accelerator-clash] the access key \"E\" is also that of \"&Enregistrer\" in "
                     "the same dialog, whose original keys differ\n" +
              kTok + ":8: warning: [length] the translation has 19 characters, the original 2: it may be "
                     "clipped in its control\n" +
              kTok + ":9: warning: [punctuation] the original ends with \":\", the translation does not\n" +
              kTok + ":10: error: [placeholder] placeholders differ: missing %s\n" +
              kTok + ":11: error: [escape] \\n: 1 in the original, 0 in the translation\n" +
              kTok + ":12: warning: [whitespace] trailing blanks: 1 in the original, 0 in the translation\n" +
              kTok + ":13: info: [unchanged] the translation is the original text\n" +
              "4 errors, 5 warnings, 1 info\n");
    EXPECT_EQ(r.err, kTok + ":4: Bad token !\n");
}

TEST(CheckRun, OnlyAndMinLevelNarrowTheOutputAndTheStatus)
{
    Outcome r = check({"--only", "whitespace,unchanged", kData + "/fr.prj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kTok + ":12: warning: [whitespace] trailing blanks: 1 in the original, 0 in the translation\n" +
                         kTok + ":13: info: [unchanged] the translation is the original text\n" +
                         "0 errors, 1 warning, 1 info\n");
    r = check({"--min-level", "warning", "--only", "unchanged,length", kData + "/fr.prj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kTok + ":8: warning: [length] the translation has 19 characters, the original 2: it may be "
                            "clipped in its control\n0 errors, 1 warning, 0 infos\n");
    r = check({kData + "/fr.prj", "--min-level", "error"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\n4 errors, 0 warnings, 0 infos\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning:"), std::string::npos);
}

TEST(CheckRun, ProjectsThatCannotBeOpened)
{
    TempDir dir;
    WriteFile(dir.file("short.prj"), "fixture.mpj\r\nfr.tok\r\n");
    WriteFile(dir.file("notok.prj"), "m.mpj\r\nmissing.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("m.mpj"), "m.dll\r\nm.tok\r\n");
    WriteFile(dir.file("m.tok"), "[[6|1|1|0|1|]]=Ready\r\n");
    WriteFile(dir.file("empty.prj"), "m.mpj\r\nempty.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("empty.tok"), "");
    struct Row
    {
        std::string project;
        int status;
        std::string err;
    };
    const Row rows[] = {
        {dir.file("missing.prj"), 2, "Can't open project file !\n"},
        {dir.file("short.prj"), 2, "Can't open project file !\n"},
        {dir.file("notok.prj"), 2, "Can't open token file !\n"},
        {dir.file("empty.prj"), 0, ""},
    };
    for (const Row &row : rows) {
        const Outcome r = check({row.project});
        EXPECT_EQ(r.status, row.status) << row.project;
        EXPECT_EQ(r.err, row.err) << row.project;
    }
    EXPECT_EQ(check({dir.file("empty.prj")}).out, "0 errors, 0 warnings, 0 infos\n");
}

// Token files are read in the code page of the project's language: a Cyrillic
// access key is a letter of its own, a Japanese text is counted in characters,
// not bytes, a French word is spelt in the dictionary's encoding. Spelling
// (a dictionary and the user's words made here) and the glossary (a memory made
// here) are checked when asked for.
TEST(CheckRun, TokenFilesInTheProjectsCodePage)
{
    TempDir dir;
    WriteFile(dir.file("m.mpj"), "m.dll\r\nm.tok\r\n");
    WriteFile(dir.file("m.tok"), "[[5|100|1|1|1|]]=&File\r\n[[5|100|2|2|1|]]=&Photo\r\n[[5|100|3|3|1|]]=OK\r\n"
                                 "[[6|1|4|0|1|]]=The file in the editor\r\n");
    std::filesystem::create_directories(dir.file("dicts"));
    WriteFile(dir.file("dicts/fr_FR.aff"), "SET UTF-8\nWORDCHARS '\n");
    WriteFile(dir.file("dicts/fr_FR.dic"), "2\nfichier\nl'\xC3\xA9" "diteur\n");
    std::filesystem::create_directories(dir.file("data/Velmora Tamrix"));
    WriteFile(dir.file("data/Velmora Tamrix/words-fr_FR.txt"), "Quenlit\n");
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    {
        auto opened = memory::OpenSqliteMemory(dir.file("memory.sqlite"));
        ASSERT_EQ(opened.memory->addTerms({{"file", "fichier", "", {0, 0}, {12, 1}}}), "");
    }
    const std::string spelt = "[[6|1|4|0|4|]]=Fichierr Quenlit l'\xE9" "diteur\r\n";
    const std::vector<std::string> both = {"--spelling", "--dictionaries", dir.file("dicts"), "--glossary", "--memory",
                                           dir.file("memory.sqlite")};
    struct Row
    {
        const char *language;
        std::string tokens;
        std::string out;
        std::vector<std::string> args = {};
        std::string err = "";
    };
    const Row rows[] = {
        {"LANGUAGE 25 1", // Russian, 1251: "&Файл" and "&Фото" clash on "Ф"
         "[[5|100|1|1|4|]]=&\xD4\xE0\xE9\xEB\r\n[[5|100|2|2|4|]]=&\xD4\xEE\xF2\xEE\r\n[[5|100|3|3|4|]]=\xCE\xCA\r\n",
         "ru.tok:1: warning: [accelerator-clash] the access key \"\xD0\xA4\" is also that of "
         "\"&\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\" in the same dialog, whose original keys differ\n"
         "ru.tok:2: warning: [accelerator-clash] the access key \"\xD0\xA4\" is also that of "
         "\"&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB\" in the same dialog, whose original keys differ\n"
         "0 errors, 2 warnings, 0 infos\n"},
        {"LANGUAGE 17 1", // Japanese, 932: five characters in ten bytes are not too long for "OK"
         "[[5|100|1|1|1|]]=&File\r\n[[5|100|2|2|1|]]=&Photo\r\n"
         "[[5|100|3|3|4|]]=\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B\r\n",
         "0 errors, 0 warnings, 0 infos\n"},
        {"LANGUAGE 12 1", spelt,
         "ru.tok:1: info: [spelling] unknown word: \"Fichierr\"\n"
         "ru.tok:1: warning: [glossary] the translation holds none of the glossary's translations of \"file\" "
         "(fichier)\n0 errors, 1 warning, 1 info\n",
         both},
        {"LANGUAGE 12 1", spelt, "0 errors, 0 warnings, 0 infos\n"}, // not asked for
        {"LANGUAGE 12 1", spelt, "ru.tok:1: info: [spelling] unknown word: \"Fichierr\"\n0 errors, 0 warnings, 1 info\n",
         {"--only", "spelling", "--dictionaries", dir.file("dicts")}},
        {"LANGUAGE 12 1", spelt, "0 errors, 0 warnings, 0 infos\n", {"--glossary", "--memory", dir.file("none.sqlite")},
         "quenlit-check: no translation memory " + dir.file("none.sqlite") + ": no glossary check\n"},
        {"LANGUAGE 25 1", "[[5|100|1|1|4|]]=&\xD4\xE0\xE9\xEB\r\n", "0 errors, 0 warnings, 0 infos\n", both,
         "No spelling dictionary for Russian: install hunspell-ru\n"},
    };
    for (const Row &row : rows) {
        WriteFile(dir.file("ru.prj"), std::string("m.mpj\r\nru.tok\r\n\r\n\r\n\r\n") + row.language + "\r\n");
        WriteFile(dir.file("ru.tok"), row.tokens);
        CurrentDirGuard guard;
        std::filesystem::current_path(dir.file(""));
        std::vector<std::string> args = row.args;
        args.push_back("ru.prj");
        const Outcome r = check(args);
        EXPECT_EQ(r.out, row.out) << row.language;
        EXPECT_EQ(r.err, row.err) << row.language;
        EXPECT_EQ(r.status, 0) << row.language;
    }
    unsetenv("XDG_DATA_HOME");
}

TEST(CheckRun, BadArguments)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {},
             {"--only", "accelerator,nonsense", "fr.prj"},
             {"--only"},
             {"--min-level", "fatal", "fr.prj"},
             {"--frobnicate", "fr.prj"},
             {"--memory"},
             {"fr.prj", "--dictionaries"},
             {"a.prj", "b.prj"}}) {
        const Outcome r = check(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("usage: quenlit-check"), std::string::npos) << r.err;
    }
    const Outcome help = check({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("accelerator-clash"), std::string::npos);
    EXPECT_NE(help.out.find("spelling, glossary"), std::string::npos);
}

// The program itself, with a relative project path from another folder.
TEST(CheckRun, ProgramExitStatus)
{
    CurrentDirGuard guard;
    std::filesystem::current_path(kData);
    const std::string command = std::string(QUENLIT_CHECK) + " ../data/fr.prj >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const int missing = std::system((std::string(QUENLIT_CHECK) + " nothing.prj 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(missing));
    EXPECT_EQ(WEXITSTATUS(missing), 2);
}

TEST(RowLines, MalformedLinesCount)
{
    EXPECT_EQ(RowLines("[[6|1|1|0|1|]]=a\r\nbad\r\n\r\n[[6|1|2|0|1|]]=b\r\n[[6|1|3|0|1|]]=c"),
              (std::vector<std::size_t>{0, 1, 4, 5}));
}

} // namespace
