#include "projectfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::istringstream lines(const std::string &text)
{
    return std::istringstream(text);
}

TEST(EditorLanguageProject, SixLinesAreEnough)
{
    auto in = lines("demo.mpj\r\nfr.tok\r\n3\r\n4\r\n5\r\nLANGUAGE 12 1");
    const auto r = ReadEditorLanguageProject(in);
    EXPECT_EQ(r.error, ProjectReadError::None);
    EXPECT_EQ(r.project.masterProject, "demo.mpj");
    EXPECT_EQ(r.project.tokenFile, "fr.tok");
}

TEST(EditorLanguageProject, FiveLinesFailButKeepThePathsRead)
{
    auto in = lines("demo.mpj\r\nfr.tok\r\n3\r\n4\r\n5\r\n");
    const auto r = ReadEditorLanguageProject(in);
    EXPECT_EQ(r.error, ProjectReadError::TooShort);
    EXPECT_EQ(r.project.tokenFile, "fr.tok");
}

TEST(EditorLanguageProject, PathsKeptExactlyWithTrailingBlanksAndLoneLf)
{
    auto in = lines("..\\master\\demo.mpj  \nfr tok.tok \t\r\n\r\n\r\n\r\n\r\n");
    const auto r = ReadEditorLanguageProject(in);
    EXPECT_EQ(r.error, ProjectReadError::None);
    EXPECT_EQ(r.project.masterProject, "..\\master\\demo.mpj  ");
    EXPECT_EQ(r.project.tokenFile, "fr tok.tok \t");
}

TEST(EditorMasterProject, NeedsTwoLines)
{
    auto one = lines("demo.dll\r\n");
    EXPECT_EQ(ReadEditorMasterProject(one).error, ProjectReadError::TooShort);
    auto two = lines("demo.dll\r\ndemo.tok");
    const auto r = ReadEditorMasterProject(two);
    EXPECT_EQ(r.error, ProjectReadError::None);
    EXPECT_EQ(r.project.masterTokenFile, "demo.tok");
}

TEST(ProjectFiles, MissingFilesAndFoldersCannotBeOpened)
{
    const auto dir = std::filesystem::temp_directory_path();
    EXPECT_EQ(ReadEditorLanguageProject((dir / "no-such.prj").string()).error, ProjectReadError::CantOpen);
    EXPECT_EQ(ReadEditorMasterProject(dir.string()).error, ProjectReadError::CantOpen);
    EXPECT_FALSE(ReadAdminMasterProject(dir.string()).has_value());
    EXPECT_FALSE(ReadAdminLanguageProject((dir / "no-such.prj").string()).opened);
}

TEST(ProjectFiles, ReadFromDisk)
{
    const auto path = std::filesystem::temp_directory_path() / "tamrix-projectfiles-test.mpj";
    {
        std::ofstream out(path, std::ios::binary);
        out << "app.exe\r\napp.tok\r\nextra\r\n";
    }
    EXPECT_EQ(ReadAdminMasterProject(path.string()).value_or("?"), "app.exe");
    EXPECT_EQ(ReadEditorMasterProject(path.string()).project.masterTokenFile, "app.tok");
    std::filesystem::remove(path);
}

TEST(AdminMasterProject, EmptyFileHoldsNoLine)
{
    auto empty = lines("");
    EXPECT_FALSE(ReadAdminMasterProject(empty).has_value());
    auto blank = lines("\r\n");
    EXPECT_EQ(ReadAdminMasterProject(blank).value_or("?"), "");
}

TEST(AdminLanguageProject, LinesTwoSixAndSeven)
{
    auto in = lines("demo.mpj\r\nC:\\Work\\fr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n..\\bin\\French.dll\r\nmore\r\n");
    const auto p = ReadAdminLanguageProject(in);
    EXPECT_TRUE(p.opened);
    EXPECT_EQ(p.linesRead, 7u);
    EXPECT_EQ(p.tokenFile, "C:\\Work\\fr.tok");
    EXPECT_EQ(p.languageLine, "LANGUAGE 12 1");
    EXPECT_EQ(p.targetFile, "..\\bin\\French.dll");
}

TEST(AdminLanguageProject, ShortFileKeepsWhatCouldBeRead)
{
    auto in = lines("demo.mpj\r\nde.tok\r\n");
    const auto p = ReadAdminLanguageProject(in);
    EXPECT_EQ(p.linesRead, 2u);
    EXPECT_EQ(p.tokenFile, "de.tok");
    EXPECT_EQ(p.languageLine, "");
    EXPECT_EQ(p.targetFile, "");
}

} // namespace
