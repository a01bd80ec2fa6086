#include "store/projectopen.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Observer : TokenLoadObserver
{
    int bad = 0;
    std::vector<int> values;
    void badToken(std::size_t, std::string_view) override { ++bad; }
    void progress(int v) override { values.push_back(v); }
};

class ReadProjectTest : public testing::Test
{
protected:
    CurrentDirGuard guard;
    TempDir dir;

    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "lang");
        std::filesystem::create_directories(dir.path() / "master");
    }
};

TEST_F(ReadProjectTest, BareNamesResolveInTheLanguageProjectFolder)
{
    WriteFile(dir.file("lang/fr.prj"), "../master/demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("master/demo.mpj"), "demo.dll\r\ndemo.tok\r\n");
    // The master token file is sought beside the language project, not beside the .mpj.
    WriteFile(dir.file("lang/demo.tok"), "[[4|1|1|0|1|a]]=File\r\n");
    WriteFile(dir.file("master/demo.tok"), "[[4|1|1|0|1|a]]=wrong one\r\n");
    WriteFile(dir.file("lang/fr.tok"), "[[4|1|1|0|1|a]]=Fichier\r\n");
    Observer observer;
    auto data = ReadProject(dir.file("lang/fr.prj"), &observer);
    ASSERT_EQ(data.error, ProjectOpenError::None);
    EXPECT_EQ(data.paths.masterProject, "../master/demo.mpj");
    EXPECT_EQ(data.paths.tokenFile, "fr.tok");
    EXPECT_EQ(data.paths.masterTokenFile, "demo.tok");
    EXPECT_EQ(data.paths.sourceFile, "demo.dll"); // as read; taken in the project's folder too
    EXPECT_EQ(MasterToken(data.master, data.project, 1), "File");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir.path() / "lang"));
    ASSERT_FALSE(observer.values.empty());
    EXPECT_EQ(observer.values.front(), 0);
    EXPECT_EQ(observer.values.back(), 100);
}

// The summary made while the project file is read is the one a pass over its
// table makes, for statuses and types of every shape.
TEST_F(ReadProjectTest, SummaryMadeWhileReadingIsThatOfTheTable)
{
    WriteFile(dir.file("lang/fr.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("lang/demo.mpj"), "demo.dll\r\ndemo.tok\r\n");
    WriteFile(dir.file("lang/demo.tok"), "[[4|1|1|0|1|]]=File\r\n");
    std::string project;
    const char *const statuses[] = {"4", "1", "04", " 4", "6", "x", "", "-1", "4.0", "9999999999999", "5"};
    const char *const types[] = {"4", "5", "6", "16", "99", "", " 4"};
    for (int i = 0; i < 5000; ++i)
        project += std::string("[[") + types[i % 7] + "|1|" + std::to_string(i) + "|0|" + statuses[i % 11] +
                   (i % 3 ? "|]]=t" : "|k]]=t") + "\r\n";
    WriteFile(dir.file("lang/fr.tok"), project);
    const ProjectData data = ReadProject(dir.file("lang/fr.prj"));
    ASSERT_EQ(data.error, ProjectOpenError::None);
    TokenSummary table;
    table.assign(data.project);
    ASSERT_EQ(data.projectSummary.tokenCount(), 5000u);
    for (std::size_t row = 1; row <= 5000; ++row) {
        ASSERT_EQ(data.projectSummary.flags(row), table.flags(row)) << row;
        ASSERT_EQ(data.projectSummary.type(row), table.type(row)) << row;
        ASSERT_EQ(data.projectSummary.exactlyTranslated(row), table.exactlyTranslated(row)) << row;
        ASSERT_EQ(data.projectSummary.statusMayBeOdd(row), table.statusMayBeOdd(row)) << row;
    }
}

TEST_F(ReadProjectTest, CodePagesOfTheProjectAndOfTheSourceLanguage)
{
    // A Russian project of a master whose source language is recorded as Greek.
    WriteFile(dir.file("lang/ru.prj"), "demo.mpj\r\nru.tok\r\n\r\n\r\n\r\nLANGUAGE 25 1\r\nru.dll\r\n");
    WriteFile(dir.file("lang/demo.mpj"), "demo.dll\r\ndemo.tok\r\nLANGUAGE 8 1\r\n");
    // A version value name with a Greek letter, stored in 1253 in the master and
    // escaped in the 1251 project, as the merge writes it.
    WriteFile(dir.file("lang/demo.tok"), "[[16|1|040904B0|0|1|\xE1]]=\xC1\xE2\r\n[[4|1|1|0|1|]]=File\r\n");
    WriteFile(dir.file("lang/ru.tok"), "[[16|1|040904B0|0|1|\\u03B1]]=\xD4\r\n[[4|1|1|0|4|]]=\xD4\xE0\xE9\xEB\r\n");
    auto data = ReadProject(dir.file("lang/ru.prj"));
    ASSERT_EQ(data.error, ProjectOpenError::None);
    EXPECT_EQ(data.languageLine, "LANGUAGE 25 1");
    EXPECT_EQ(data.projectCodePage, 1251u);
    EXPECT_EQ(data.masterCodePage, 1253u);
    EXPECT_EQ(MasterToken(data.master, data.project, 1), "\xC1\xE2"); // the master text keeps its bytes
    EXPECT_EQ(MasterToken(data.master, data.project, 2), "File");
    // The project's bytes are never touched.
    EXPECT_EQ(data.project.cell(1, ColId6), "\\u03B1");

    // An override of the project's code page; a language line without a language.
    EXPECT_EQ(ReadProject(dir.file("lang/ru.prj"), nullptr, 1252u).projectCodePage, 1252u);
    WriteFile(dir.file("lang/xx.prj"), "demo.mpj\r\nru.tok\r\n\r\n\r\n\r\nLANGUAGE\r\n");
    EXPECT_EQ(ReadProject(dir.file("lang/xx.prj")).projectCodePage, 1252u);
}

TEST_F(ReadProjectTest, WithoutARecordedLanguageTheSourceFileDecides)
{
    WriteFile(dir.file("lang/ja.prj"), "demo.mpj\r\nja.tok\r\n\r\n\r\n\r\nLANGUAGE 17 1\r\n");
    WriteFile(dir.file("lang/demo.mpj"), "missing.dll\r\ndemo.tok\r\n");
    WriteFile(dir.file("lang/demo.tok"), "[[4|1|1|0|1|]]=File\r\n");
    WriteFile(dir.file("lang/ja.tok"), "[[4|1|1|0|1|]]=\x83\x74\x83\x40\x83\x43\x83\x8B\r\n");
    // The source file cannot be read: Windows-1252.
    auto data = ReadProject(dir.file("lang/ja.prj"));
    ASSERT_EQ(data.error, ProjectOpenError::None);
    EXPECT_EQ(data.projectCodePage, 932u);
    EXPECT_EQ(data.masterCodePage, 1252u);
}

TEST_F(ReadProjectTest, Failures)
{
    WriteFile(dir.file("lang/five.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\n");
    WriteFile(dir.file("lang/six.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1");
    WriteFile(dir.file("lang/short.prj"), "short.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("lang/short.mpj"), "demo.dll\r\n");
    WriteFile(dir.file("lang/demo.mpj"), "demo.dll\r\ndemo.tok\r\n");

    EXPECT_EQ(ReadProject(dir.file("lang/missing.prj")).error, ProjectOpenError::CantOpenProjectFile);
    EXPECT_EQ(ReadProject(dir.file("lang/five.prj")).error, ProjectOpenError::CantOpenProjectFile);
    EXPECT_EQ(ReadProject(dir.file("lang/short.prj")).error, ProjectOpenError::CantOpenProjectFile);

    // A sound project right after a failed one opens, once its token files exist.
    Observer observer;
    auto missingMaster = ReadProject(dir.file("lang/six.prj"), &observer);
    EXPECT_EQ(missingMaster.error, ProjectOpenError::CantOpenTokenFile);
    EXPECT_EQ(observer.values, (std::vector<int>{0}));
    EXPECT_EQ(missingMaster.master.tokenCount(), 0u);

    WriteFile(dir.file("lang/demo.tok"), "[[4|1|1|0|1|a]]=File\r\n");
    EXPECT_EQ(ReadProject(dir.file("lang/six.prj")).error, ProjectOpenError::CantOpenTokenFile);
    WriteFile(dir.file("lang/fr.tok"), "[[4|1|1|0|1|a]]=Fichier\r\n|bad=x\r\n");
    EXPECT_EQ(ReadProject(dir.file("lang/six.prj")).error, ProjectOpenError::ReadError);
    WriteFile(dir.file("lang/fr.tok"), "[[4|1|1|0|1|a]]=Fichier\r\nbad\r\n");
    Observer second;
    auto ok = ReadProject(dir.file("lang/six.prj"), &second);
    EXPECT_EQ(ok.error, ProjectOpenError::None);
    EXPECT_EQ(second.bad, 1);
    EXPECT_EQ(ok.project.tokenCount(), 1u);
}

TEST_F(ReadProjectTest, PathWithoutFolderIsSoughtInTheCurrentDirectory)
{
    WriteFile(dir.file("lang/fr.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
    WriteFile(dir.file("lang/demo.mpj"), "demo.dll\r\ndemo.tok\r\n");
    WriteFile(dir.file("lang/demo.tok"), "");
    WriteFile(dir.file("lang/fr.tok"), "");
    std::filesystem::current_path(dir.path() / "lang");
    auto data = ReadProject("fr.prj");
    EXPECT_EQ(data.error, ProjectOpenError::None);
    EXPECT_EQ(data.paths.project, "fr.prj");
    EXPECT_EQ(data.project.tokenCount(), 0u);
}

} // namespace

// A relative path with a folder is taken from the folder the call starts in,
// before that folder changes; a folder name that is not UTF-8 keeps its bytes.
TEST_F(ReadProjectTest, RelativeAndNonUtf8PathsFromTheStartingFolder)
{
    for (const std::string &folder : {std::string("lang"), std::string("caf\xE9")}) {
        std::filesystem::create_directories(dir.path() / folder);
        WriteFile(dir.file(folder + "/fr.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
        WriteFile(dir.file(folder + "/demo.mpj"), "demo.dll\r\ndemo.tok\r\n");
        WriteFile(dir.file(folder + "/demo.tok"), "[[4|1|1|0|1|a]]=File\r\n");
        WriteFile(dir.file(folder + "/fr.tok"), "[[4|1|1|0|1|a]]=" + folder + "\r\n");

        std::filesystem::current_path(dir.path());
        const std::string relative = folder + "/fr.prj";
        auto data = ReadProject(relative);
        ASSERT_EQ(data.error, ProjectOpenError::None) << relative;
        EXPECT_EQ(data.paths.project, relative); // as given
        EXPECT_EQ(data.project.cellText(1, 0), folder);
        EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir.path() / folder));

        // The same from inside another folder, with "..".
        std::filesystem::current_path(dir.path() / "master");
        data = ReadProject("../" + relative);
        ASSERT_EQ(data.error, ProjectOpenError::None);
        EXPECT_EQ(data.paths.project, "../" + relative);
        EXPECT_EQ(data.project.cellText(1, 0), folder);
    }
}
