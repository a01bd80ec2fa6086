#include "memory/fileimport.h"
#include "memory/projectunits.h"
#include "memory/sqlitememory.h"

#include "languagetag.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

struct Collect : memory::UnitSink
{
    std::vector<std::string> seen;
    std::vector<memory::Unit> units;
    void add(const memory::Unit &unit) override
    {
        units.push_back(unit);
        seen.push_back(unit.source + "=" + unit.translation);
    }
};

// A Russian project of an English master in a folder of its own: demo.mpj,
// demo.tok (1252), ru.prj, ru.tok (1251).
class LanguageProject : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "work");
        WriteFile(dir.file("work/demo.mpj"), "demo.dll\r\ndemo.tok\r\nLANGUAGE 9 1\r\n");
        WriteFile(dir.file("work/demo.tok"), "[[4|1|0|0|1|]]=&File\r\n"
                                             "[[4|1|101|1|1|]]=&Open...\\tCtrl+O\r\n"
                                             "[[6|1|10|0|1|]]=Caf\xE9 menu\r\n"
                                             "[[6|1|11|0|1|]]=Read-only\r\n"
                                             "[[6|1|12|0|1|]]=Untranslated\r\n"
                                             "[[6|1|13|0|1|]]=\r\n");
        WriteFile(dir.file("work/ru.prj"), "demo.mpj\r\nru.tok\r\nru.dll\r\n\r\n\r\nLANGUAGE 25 1\r\nru.dll\r\n");
        WriteFile(dir.file("work/ru.tok"), "[[4|1|0|0|4|]]=&\xD4\xE0\xE9\xEB\r\n"
                                           "[[4|1|101|1|4|]]=&\xCE\xF2\xEA\xF0\xFB\xF2\xFC...\\tCtrl+O\r\n"
                                           "[[6|1|10|0|4|]]=\xCA\xE0\xF4\xE5\r\n"
                                           "[[6|1|11|0|6|]]=Read-only\r\n"
                                           "[[6|1|12|0|1|]]=Untranslated\r\n"
                                           "[[6|1|13|0|4|]]=\xD7\xF2\xEE-\xF2\xEE\r\n"
                                           "[[6|1|99|0|4|]]=No master\r\n");
    }
    TempDir dir;
};

TEST_F(LanguageProject, GivesItsTranslatedTokensDecodedByBothCodePages)
{
    CurrentDirGuard guard;
    std::filesystem::current_path(dir.path()); // the project's paths are taken from its own folder
    Collect sink;
    ASSERT_FALSE(memory::ReadLanguageProject("work/ru.prj", sink));
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"&File=&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB",
                                                   "&Open...\tCtrl+O=&\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82"
                                                   "\xD1\x8C...\tCtrl+O",
                                                   "Caf\xC3\xA9 menu=\xD0\x9A\xD0\xB0\xD1\x84\xD0\xB5"}));
    ASSERT_FALSE(sink.units.empty());
    const memory::Unit &unit = sink.units[1];
    EXPECT_TRUE(SameLanguage(unit.sourceLanguage, {9, 1}));
    EXPECT_TRUE(SameLanguage(unit.targetLanguage, {25, 1}));
    EXPECT_EQ(unit.origin.project, "work/ru.prj");
    EXPECT_EQ(unit.origin.resourceType, "4");
    EXPECT_EQ(unit.origin.place, "1|101|1|");
}

TEST_F(LanguageProject, TakesTheObsoleteTranslationsBesideItsTokenFile)
{
    WriteFile(dir.file("work/ru.tok.obsolete"), ";&Close\r\n[[4|1|105|5|4|]]=&\xC7\xE0\xEA\xF0\xFB\xF2\xFC\r\n"
                                                ";To review\r\n[[4|1|106|6|1|]]=Not taken\r\n");
    Collect sink;
    ASSERT_FALSE(memory::ReadLanguageProject(dir.file("work/ru.prj"), sink));
    ASSERT_EQ(sink.seen.size(), 4u);
    EXPECT_EQ(sink.seen.back(), "&Close=&\xD0\x97\xD0\xB0\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C");

    // The .obsolete file alone finds its languages in the .prj that names its token file.
    TempDir data;
    auto opened = memory::OpenSqliteMemory(data.file("memory.sqlite"));
    ASSERT_TRUE(opened.memory);
    const auto result = memory::ImportFile(*opened.memory, dir.file("work/ru.tok.obsolete"));
    EXPECT_TRUE(result.ok()) << (result.error ? result.error->text() : result.failure);
    EXPECT_EQ(result.units, 1u);
    memory::LookupQuery query;
    query.text = "&Close";
    query.target = {25, 1};
    EXPECT_EQ(opened.memory->lookup(query).size(), 1u);
}

struct RefusedRow
{
    const char *name;
    const char *file;  // rewritten
    const char *bytes;
    const char *error; // after the folder
};

class RefusedProject : public LanguageProject, public testing::WithParamInterface<RefusedRow>
{
};

TEST_P(RefusedProject, NamesTheFileAndLine)
{
    const RefusedRow &row = GetParam();
    WriteFile(dir.file(std::string("work/") + row.file), row.bytes);
    Collect sink;
    const auto error = memory::ReadLanguageProject(dir.file("work/ru.prj"), sink);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->text(), dir.file("work/") + row.error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedProject,
    testing::Values(
        RefusedRow{"BadTokenLine", "ru.tok", "[[4|1|0|0|4|]]=A\r\nnot a token\r\n", "ru.tok:2: not a token line"},
        RefusedRow{"NoLanguage", "ru.prj", "demo.mpj\r\nru.tok\r\n\r\n\r\n\r\nLANGUAGE\r\n",
                   "ru.prj:6: no language on line 6 (\"LANGUAGE LANG SUBLANG\")"},
        RefusedRow{"ShortProject", "ru.prj", "demo.mpj\r\nru.tok\r\n", "ru.prj: a language project has 6 lines at least"},
        RefusedRow{"ObsoleteWithoutMasterText", "ru.tok.obsolete", "[[4|1|105|5|4|]]=A\r\n",
                   "ru.tok.obsolete:1: a token without its master text (a line \";\" before it)"},
        RefusedRow{"ObsoleteCutShort", "ru.tok.obsolete", ";&Close\r\n[[4|1|105|5|4|]]=A\r\n;&Open\r\n",
                   "ru.tok.obsolete:3: a master text without its token"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ObsoleteTokens, NeedALanguageWhenNoProjectNamesThem)
{
    TempDir dir;
    WriteFile(dir.file("fr.tok.obsolete"), ";&Close\r\n[[4|1|105|5|4|]]=&Fermer\r\n");
    TempDir data;
    auto opened = memory::OpenSqliteMemory(data.file("memory.sqlite"));
    ASSERT_TRUE(opened.memory);
    const auto refused = memory::ImportFile(*opened.memory, dir.file("fr.tok.obsolete"));
    ASSERT_TRUE(refused.error);
    EXPECT_NE(refused.error->message.find("give its language with --language"), std::string::npos);
    memory::ImportOptions options;
    options.language = LanguageId{12, 1};
    EXPECT_EQ(memory::ImportFile(*opened.memory, dir.file("fr.tok.obsolete"), options).units, 1u);
}

} // namespace
