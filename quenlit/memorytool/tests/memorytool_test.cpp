#include "memorytool.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct ToolRun
{
    int status;
    std::string out, err;
};

ToolRun run(std::vector<std::string> arguments)
{
    std::ostringstream out, err;
    const int status = RunMemoryTool(arguments, out, err);
    return {status, out.str(), err.str()};
}

struct UsageRow
{
    const char *name;
    std::vector<std::string> arguments;
    const char *error; // the first line on standard error
};

class Usage : public testing::TestWithParam<UsageRow>
{
};

TEST_P(Usage, IsRefusedWithStatus2)
{
    TempDir dir;
    std::vector<std::string> arguments = {"--memory", dir.file("m.sqlite")};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const ToolRun result = run(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), std::string("quenlit-memory: ") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Usage,
    testing::Values(UsageRow{"NoCommand", {}, "no command"},
                    UsageRow{"UnknownCommand", {"merge"}, "unknown command merge"},
                    UsageRow{"UnknownOption", {"lookup", "--fuzzy"}, "unknown option --fuzzy"},
                    UsageRow{"LookupWithoutLanguage", {"lookup", "Open"}, "lookup needs --language LANG SUBLANG"},
                    UsageRow{"LanguageOutOfRange", {"lookup", "--language", "12", "64", "Open"},
                             "--language needs two numbers: LANG (0 to 1023) SUBLANG (0 to 63)"},
                    UsageRow{"LookupOfTwoTexts", {"lookup", "--language", "12", "1", "Open", "Save"},
                             "lookup needs one text"},
                    UsageRow{"ThresholdOutOfRange", {"lookup", "--threshold", "101"},
                             "--threshold needs a score from 0 to 100"},
                    UsageRow{"ImportOfNothing", {"import"}, "import needs at least one file"},
                    UsageRow{"TermsWithoutLanguage", {"import-terms", "t.csv"},
                             "import-terms needs --language LANG SUBLANG"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MemoryTool, ImportsLooksUpAndExports)
{
    TempDir dir;
    const std::string memory = dir.file("data/memory.sqlite");
    WriteFile(dir.file("fr.po"), "msgid \"\"\nmsgstr \"Language: fr\\n\"\n\nmsgid \"&Open file\"\nmsgstr "
                                 "\"&Ouvrir un fichier\"\n\nmsgid \"Tab\\there\"\nmsgstr \"Tab\\tici\"\n");
    WriteFile(dir.file("bad.po"), "msgid \"\"\nmsgstr \"Language: fr\\n\"\n\nmsgid \"Print\"\nmsgstr \"Imprimer\"\n"
                                  "msgid \"Broken\n");
    ToolRun imported = run({"import", "--memory", memory, dir.file("fr.po"), dir.file("bad.po")});
    EXPECT_EQ(imported.status, 1);
    EXPECT_EQ(imported.out, dir.file("fr.po") + ": 2 units\n");
    EXPECT_EQ(imported.err, dir.file("bad.po") + ":6: a string must stand between double quotes\n" +
                                dir.file("bad.po") + ": nothing imported\n");

    ToolRun found = run({"--memory", memory, "lookup", "--language", "12", "1", "&Open files"});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "90\t&Open file\t&Ouvrir un fichier\n");
    EXPECT_EQ(run({"--memory", memory, "lookup", "--language", "12", "1", "Tab\there"}).out,
              "100\tTab\\there\tTab\\tici\n");
    EXPECT_EQ(run({"--memory", memory, "lookup", "--language", "12", "1", "Print"}).out, "")
        << "nothing of the file that failed";

    ASSERT_EQ(run({"--memory", memory, "export", "--language", "12", "1", "-o", dir.file("fr.tmx")}).status, 0);
    const std::string tmx = ReadFile(dir.file("fr.tmx"));
    EXPECT_NE(tmx.find("<tuv xml:lang=\"fr-FR\"><seg>&amp;Ouvrir un fichier</seg></tuv>"), std::string::npos) << tmx;
    const std::string other = dir.file("other.sqlite");
    EXPECT_EQ(run({"--memory", other, "import", dir.file("fr.tmx")}).out, dir.file("fr.tmx") + ": 2 units\n");
    EXPECT_EQ(run({"--memory", other, "lookup", "--language", "12", "1", "&Open file"}).out,
              "100\t&Open file\t&Ouvrir un fichier\n");
}

TEST(MemoryTool, ImportsTerms)
{
    TempDir dir;
    WriteFile(dir.file("terms.csv"), "file,fichier,noun\nsave,enregistrer\n");
    WriteFile(dir.file("bad.csv"), "file\n");
    const ToolRun imported = run({"--memory", dir.file("m.sqlite"), "import-terms", "--language", "12", "1",
                              dir.file("terms.csv"), dir.file("bad.csv")});
    EXPECT_EQ(imported.status, 1);
    EXPECT_EQ(imported.out, dir.file("terms.csv") + ": 2 terms\n");
    EXPECT_NE(imported.err.find(dir.file("bad.csv") + ":1: a term line has 2 or 3 fields"), std::string::npos);
}

TEST(MemoryTool, ReportsAMemoryItCannotOpen)
{
    TempDir dir;
    WriteFile(dir.file("file"), "x");
    const ToolRun result = run({"--memory", dir.file("file/m.sqlite"), "lookup", "--language", "12", "1", "x"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("quenlit-memory: Can't open the translation memory"), std::string::npos);
}

} // namespace
