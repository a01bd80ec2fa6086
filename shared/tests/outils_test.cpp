#include "outils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

struct PathCase
{
    const char *path;
    const char *folder;
    const char *file;
};

class PathSplit : public testing::TestWithParam<PathCase>
{
};

TEST_P(PathSplit, FolderAndFileName)
{
    const PathCase &c = GetParam();
    EXPECT_EQ(outils::ExtractPath(c.path), c.folder);
    EXPECT_EQ(outils::ExtractFileName(c.path), c.file);
}

INSTANTIATE_TEST_SUITE_P(Table, PathSplit,
                         testing::Values(PathCase{"C:\\RLTools\\demo\\master.mpj", "C:\\RLTools\\demo\\", "master.mpj"},
                                         PathCase{"C:master.mpj", "C:", "master.mpj"},
                                         PathCase{"master.mpj", "master.mpj", "master.mpj"},
                                         PathCase{"C:\\RLTools\\", "C:\\RLTools\\", ""}, PathCase{"\\", "\\", ""},
                                         PathCase{"", "", ""}, PathCase{"/home/lang/fr.prj", "/home/lang/", "fr.prj"},
                                         PathCase{"a/b\\c:d.tok", "a/b\\c:", "d.tok"},
                                         PathCase{"D:\\Work\\TEST.TOK", "D:\\Work\\", "TEST.TOK"},
                                         PathCase{"\\x.prj", "\\", "x.prj"},
                                         // blanks and dots are no separators
                                         PathCase{"my dir.x y", "my dir.x y", "my dir.x y"}));

TEST(PathSplit, FolderAndFileGiveThePathBack)
{
    const std::string path = "a:b/c\\d";
    EXPECT_EQ(outils::ExtractPath(path) + outils::ExtractFileName(path), path);
}

TEST(PathSplit, LongerThanSixteenBitPositions)
{
    const std::string folder = std::string(40000, 'x') + "\\";
    const std::string path = folder + "name.tok" + std::string(30000, 'y');
    EXPECT_EQ(outils::ExtractPath(path), folder);
    EXPECT_EQ(outils::ExtractFileName(path), "name.tok" + std::string(30000, 'y'));
}

TEST(CenterForm, PositionsFromScreenAndWindowSizes)
{
    auto p = outils::CenterForm(1000, 800, 1000, 800);
    EXPECT_FLOAT_EQ(p.left, 0);
    EXPECT_FLOAT_EQ(p.top, 0);
    p = outils::CenterForm(1000, 800, 1200, 800);
    EXPECT_FLOAT_EQ(p.left, -100);
    p = outils::CenterForm(19200, 10800, 8775, 6615);
    EXPECT_FLOAT_EQ(p.left, 5212.5f);
    EXPECT_FLOAT_EQ(p.top, 2092.5f);
}

struct WithinCase
{
    const char *name;
    const char *path; // ROOT stands for the folder's absolute path
    bool within;
};

class Within : public testing::TestWithParam<WithinCase>
{
};

// A folder with a subfolder, a link to a folder outside and a link to a file outside.
TEST_P(Within, FolderTree)
{
    namespace fs = std::filesystem;
    const fs::path top = fs::temp_directory_path() / ("tamrix-within-" + std::to_string(std::random_device{}()));
    const fs::path root = top / "master";
    fs::create_directories(root / "sub");
    fs::create_directories(top / "elsewhere");
    std::ofstream(top / "notes.txt") << "notes";
    fs::create_directory_symlink(top / "elsewhere", root / "out");
    fs::create_symlink(top / "notes.txt", root / "link.dll");
    std::string path = GetParam().path;
    if (path.rfind("ROOT", 0) == 0)
        path = root.string() + path.substr(4);
    EXPECT_EQ(outils::LiesWithinFolder(root.string() + "/", path), GetParam().within) << path;
    fs::remove_all(top);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Within,
    testing::Values(WithinCase{"plain", "fr.dll", true}, WithinCase{"subfolder", "sub/fr.dll", true},
                    WithinCase{"missing_folders", "new/deeper/fr.dll", true},
                    WithinCase{"up_and_back", "sub/../fr.dll", true}, WithinCase{"parent", "../notes.txt", false},
                    WithinCase{"deep_parent", "sub/../../notes.txt", false}, WithinCase{"folder_itself", ".", true},
                    WithinCase{"folder_above", "..", false}, WithinCase{"absolute_inside", "ROOT/sub/x.dll", true},
                    WithinCase{"absolute_outside", "/etc/profile", false},
                    WithinCase{"through_a_linked_folder", "out/x.dll", false},
                    // A link is replaced, not followed, by the rename that writes a file.
                    WithinCase{"link_to_a_file_outside", "link.dll", true},
                    // On this system a backslash is part of a name.
                    WithinCase{"backslashes", "..\\notes.txt", true}),
    [](const testing::TestParamInfo<WithinCase> &info) { return std::string(info.param.name); });

} // namespace
