#include "outils.h"

#include <gtest/gtest.h>

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

} // namespace
