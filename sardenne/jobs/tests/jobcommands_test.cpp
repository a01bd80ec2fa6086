#include "jobcommands.h"

#include <gtest/gtest.h>

namespace {

std::string joined(const std::vector<JobStep> &steps)
{
    std::string out;
    for (const JobStep &s : steps)
        out += (s.kind == JobStep::Print ? "P:" : "X:") + s.text + "\n";
    return out;
}

const FolderSource kDefault = [] { return std::string("C:\\RLTools\\"); };
const JobRow kFr{"12", "1", "fr.prj", "fr.tok", "fr\\app.dll"};

TEST(RefreshJob, MasterCommandFirstThenEachRow)
{
    EXPECT_EQ(joined(RefreshJob(kDefault, "demo.mpj", {kFr})),
              "P:Actualisation des fichiers du projet\n"
              "P:------------------------------------\n"
              "P:\n"
              "P:    * Mise \xE0 jour des tokens du projet ma\xEEtre\n"
              "X:C:\\RLTools\\rlman -m demo.mpj\n"
              "P:    * Mise \xE0 jour des tokens du projet fr.prj\n"
              "X:C:\\RLTools\\rlman -n 12 1 -l fr.prj demo.mpj fr.tok\n"
              "P:\n"
              "P:Op\xE9ration termin\xE9" "e ! \n");
    EXPECT_EQ(RefreshJob(kDefault, "demo.mpj", {}).size(), 7u);
}

TEST(ExportImportJobs, CommandsAndLines)
{
    const auto exportSteps = ExportJob(kDefault, "app.exe", {kFr});
    EXPECT_EQ(joined(exportSteps), "P:Exporation des tokens vers des fichiers DLL\n"
                                   "P:------------------------------------------\n"
                                   "P:\n"
                                   "P:     - Exporatation des tokens vers  fr\\app.dll\n"
                                   "X:C:\\RLTools\\rlman -n 12 1 -r app.exe fr.tok fr\\app.dll\n"
                                   "P:\n"
                                   "P:Op\xE9ration termin\xE9" "e ! \n");
    EXPECT_EQ(joined(ImportJob(kDefault, {kFr})), "P:Imporation des tokens contenus dans les fichiers DLL\n"
                                                  "P:----------------------------------------------------\n"
                                                  "P:\n"
                                                  "P:     - Importation des tokens du fichier fr\\app.dll\n"
                                                  "X:C:\\RLTools\\rlman -o 12 1 -t fr\\app.dll fr.tok\n"
                                                  "P:\n"
                                                  "P:Op\xE9ration termin\xE9" "e !\n");
    EXPECT_EQ(std::string(42, '-').size() + 1, std::string("Exporation des tokens vers des fichiers DLL").size());
}

TEST(Jobs, FolderReadAnewForEveryCommandAndEmptyCells)
{
    int calls = 0;
    const FolderSource counting = [&] { return std::to_string(++calls) + "/"; };
    const auto steps = RefreshJob(counting, "m.mpj", {JobRow{}, kFr});
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(steps[4].text, "1/rlman -m m.mpj");
    EXPECT_EQ(steps[6].text, "2/rlman -n   -l  m.mpj ");
    EXPECT_EQ(steps[8].text, "3/rlman -n 12 1 -l fr.prj m.mpj fr.tok");
}

TEST(BatchFile, FourLines)
{
    EXPECT_EQ(BatchFileText(""), "@ECHO OFF\r\necho \r\n\r\nif errorlevel == 1 pause\r\n");
    EXPECT_EQ(BatchFileText("C:\\My Tools\\rlman -m demo.mpj"),
              "@ECHO OFF\r\necho C:\\My Tools\\rlman -m demo.mpj\r\nC:\\My Tools\\rlman -m demo.mpj\r\n"
              "if errorlevel == 1 pause\r\n");
}

struct SplitCase
{
    const char *line;
    std::vector<std::string> words;
};

class Split : public testing::TestWithParam<SplitCase>
{
};

TEST_P(Split, LikeAWindowsProgram)
{
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().words) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Split,
    testing::Values(SplitCase{"rlman -m demo.mpj", {"rlman", "-m", "demo.mpj"}},
                    SplitCase{"  a\t\tb  ", {"a", "b"}}, SplitCase{"", {}},
                    SplitCase{"C:\\RLTools\\rlman fr\\app.dll", {"C:\\RLTools\\rlman", "fr\\app.dll"}},
                    SplitCase{"\"my dir\\x\" y", {"my dir\\x", "y"}}, SplitCase{"a\\\\\"b c\"", {"a\\b c"}},
                    SplitCase{"a\\\"b", {"a\"b"}}, SplitCase{"\"\"", {""}}, SplitCase{"*.tok", {"*.tok"}},
                    SplitCase{"\"a\"\"b\"", {"a\"b"}}));

TEST(Jobs, ProgressLinesKeepTheirValuesApart)
{
    const JobRow row{"12", "1", "\xE9t\xE9.prj", "\xE9t\xE9.tok", "sortie\\\xE9t\xE9.dll"};
    const auto refresh = RefreshJob(kDefault, "demo.mpj", {row});
    const PaneText &project = refresh[5].line;
    ASSERT_EQ(project.pieces.size(), 2u);
    EXPECT_EQ(project.pieces[0].source, PaneText::Fixed);
    EXPECT_EQ(project.pieces[1].source, PaneText::FileName);
    EXPECT_EQ(project.pieces[1].bytes, "\xE9t\xE9.prj");
    EXPECT_EQ(refresh[6].text, "C:\\RLTools\\rlman -n 12 1 -l \xE9t\xE9.prj demo.mpj \xE9t\xE9.tok");
    for (const auto &steps : {ExportJob(kDefault, "app.exe", {row}), ImportJob(kDefault, {row})}) {
        const PaneText &target = steps[3].line;
        ASSERT_EQ(target.pieces.size(), 2u);
        EXPECT_EQ(target.pieces[1].source, PaneText::Value);
        EXPECT_EQ(target.pieces[1].bytes, "sortie\\\xE9t\xE9.dll");
        EXPECT_EQ(steps[3].text, target.bytes());
    }
    EXPECT_EQ(refresh[0].line.pieces.size(), 1u);
    EXPECT_EQ(refresh[0].line.pieces[0].source, PaneText::Fixed);
}

} // namespace
