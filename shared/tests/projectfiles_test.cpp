#include "projectfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
    EXPECT_EQ(r.project.languageLine, "LANGUAGE 12 1");
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
    EXPECT_EQ(r.project.sourceFile, "demo.dll");
    auto blanks = lines(" demo dll \r\ndemo.tok");
    EXPECT_EQ(ReadEditorMasterProject(blanks).project.sourceFile, " demo dll ");
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

TEST(ProjectFiles, LanguageProjectsListedIgnoringCaseInNameOrder)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tamrix-list-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder.prj");
    for (const char *name :
         {"fr.prj", "DE.PRJ", "it.Prj", ".hidden.prj", "notes.txt", "b.prjx", "Ab.prj", "\xE9t\xE9.prj"})
        std::ofstream(dir / name) << "";
    EXPECT_EQ(ListLanguageProjects(dir.string() + "/"),
              (std::vector<std::string>{"Ab.prj", "DE.PRJ", "fr.prj", "it.Prj", "\xE9t\xE9.prj"}));
    EXPECT_TRUE(ListLanguageProjects((dir / "missing/").string()).empty());
    fs::remove_all(dir);
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

TEST(SourceLanguage, LineThreeOfTheMasterProject)
{
    using State = SourceLanguage::State;
    struct Case
    {
        const char *line;
        State state;
        unsigned primary;
        unsigned sub;
    };
    const Case cases[] = {
        {"LANGUAGE 9 1", State::Chosen, 9, 1},
        {"language 3 1", State::Chosen, 3, 1},
        {"  LANGUAGE\t0  0 ", State::Chosen, 0, 0},
        {"LANGUAGE 1023 63", State::Chosen, 1023, 63},
        {"", State::Unset, 0, 0},
        {"   ", State::Unset, 0, 0},
        {"kept line", State::Unset, 0, 0},
        {"LANGUAGES 9 1", State::Unset, 0, 0},
        {"LANGUAGE", State::Malformed, 0, 0},
        {"LANGUAGE 9", State::Malformed, 0, 0},
        {"LANGUAGE x 1", State::Malformed, 0, 0},
        {"LANGUAGE 9 1 2", State::Malformed, 0, 0},
        {"LANGUAGE 1024 1", State::Malformed, 0, 0},
        {"LANGUAGE 9 64", State::Malformed, 0, 0},
        {"LANGUAGE -9 1", State::Malformed, 0, 0},
        {"LANGUAGE 0x9 1", State::Malformed, 0, 0},
    };
    for (const Case &c : cases) {
        const SourceLanguage l = ParseSourceLanguageLine(c.line);
        EXPECT_EQ(l.state, c.state) << c.line;
        if (c.state == State::Chosen) {
            EXPECT_EQ(l.primary, c.primary) << c.line;
            EXPECT_EQ(l.sub, c.sub) << c.line;
            EXPECT_EQ(l.languageId(), (c.sub << 10) | c.primary) << c.line;
            // What the administrator writes reads back the same.
            EXPECT_EQ(ParseSourceLanguageLine(SourceLanguageLineText(c.primary, c.sub)).languageId(), l.languageId());
        }
    }
    EXPECT_EQ(SourceLanguageLineText(12, 1), "LANGUAGE 12 1");
}

TEST(SourceLanguage, ReadFromTheMasterProjectWhichTheOtherReadersIgnore)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tamrix-srclang-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string mpj = (dir / "demo.mpj").string();
    std::ofstream(mpj, std::ios::binary) << "demo.dll\r\ndemo.tok\r\nLANGUAGE 3 1\r\nlater\r\n";
    const auto language = ReadSourceLanguage(mpj);
    ASSERT_TRUE(language);
    EXPECT_TRUE(language->chosen());
    EXPECT_EQ(language->languageId(), 0x0403u);
    EXPECT_EQ(ReadEditorMasterProject(mpj).project.masterTokenFile, "demo.tok");
    EXPECT_EQ(ReadAdminMasterProject(mpj), std::optional<std::string>("demo.dll"));

    std::ofstream(mpj, std::ios::binary) << "demo.dll\r\ndemo.tok\r\n";
    ASSERT_TRUE(ReadSourceLanguage(mpj));
    EXPECT_EQ(ReadSourceLanguage(mpj)->state, SourceLanguage::State::Unset);
    EXPECT_FALSE(ReadSourceLanguage((dir / "missing.mpj").string()));
    std::filesystem::remove_all(dir);
}

} // namespace
