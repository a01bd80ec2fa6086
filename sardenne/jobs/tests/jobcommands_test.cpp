#include "jobcommands.h"

#include <gtest/gtest.h>

#include <algorithm>

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
const std::string kMaster = "/nonexistent-tamrix/master/";

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
    const auto exportSteps = ExportJob(kDefault, "app.exe", {kFr}, kMaster);
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
    for (const auto &steps : {ExportJob(kDefault, "app.exe", {row}, kMaster), ImportJob(kDefault, {row})}) {
        const PaneText &target = steps[3].line;
        ASSERT_EQ(target.pieces.size(), 2u);
        EXPECT_EQ(target.pieces[1].source, PaneText::Value);
        EXPECT_EQ(target.pieces[1].bytes, "sortie\\\xE9t\xE9.dll");
        EXPECT_EQ(steps[3].text, target.bytes());
    }
    EXPECT_EQ(refresh[0].line.pieces.size(), 1u);
    EXPECT_EQ(refresh[0].line.pieces[0].source, PaneText::Fixed);
}

// Each control byte, wherever it stands in a row, in the master project's name
// or in its line 1: that row (or the master command) gives no command, only a
// line naming the project, and the others go on.
class ControlByte : public testing::TestWithParam<int>
{
};

TEST_P(ControlByte, NeverReachesACommand)
{
    const std::string c(1, static_cast<char>(GetParam()));
    const JobRow ok{"12", "1", "ok.prj", "ok.tok", "ok.dll"};
    struct Hostile
    {
        JobRow row;
        const char *what;
        bool inRefresh, inExportImport; // the jobs whose commands take that value
    };
    const Hostile rows[] = {
        {{"12", "1", "a" + c + "touch PWNED" + c + "b.prj", "fr.tok", "fr.dll"}, "son nom", true, false},
        {{"12", "1", "fr.prj", "fr" + c + ".tok", "fr.dll"}, "son fichier token (ligne 2)", true, true},
        {{"1" + c + "2", "1", "fr.prj", "fr.tok", "fr.dll"}, "sa ligne de langue (ligne 6)", true, true},
        {{"12", c + "1", "fr.prj", "fr.tok", "fr.dll"}, "sa ligne de langue (ligne 6)", true, true},
        {{"12", "1", "fr.prj", "fr.tok", "fr" + c + "x.dll"}, "son fichier cible (ligne 7)", false, true}};
    for (const Hostile &h : rows) {
        const std::vector<JobRow> selected{h.row, ok};
        const std::pair<std::vector<JobStep>, bool> jobs[] = {
            {RefreshJob(kDefault, "demo.mpj", selected), h.inRefresh},
            {ExportJob(kDefault, "app.exe", selected, kMaster), h.inExportImport},
            {ImportJob(kDefault, selected), h.inExportImport}};
        for (const auto &[steps, takesIt] : jobs) {
            const std::string all = joined(steps);
            SCOPED_TRACE(all);
            std::string commands;
            for (const JobStep &s : steps)
                commands += s.kind == JobStep::Exec ? s.text + " " : std::string();
            EXPECT_TRUE(std::all_of(commands.begin(), commands.end(), [](char b) { return b >= 0x20 || b < 0; }));
            EXPECT_NE(commands.find("ok.tok"), std::string::npos); // the next row goes on
            EXPECT_EQ(commands.find("fr.tok") == std::string::npos, takesIt);
            if (takesIt) {
                EXPECT_NE(all.find("P:    ! Projet " + h.row.prjFile + " ignor\xE9 : " + h.what +
                                   " contient un caract\xE8re de contr\xF4le\n"),
                          std::string::npos);
            }
        }
    }

    const auto master = RefreshJob(kDefault, "de" + c + "mo.mpj", {});
    EXPECT_EQ(master[4].kind, JobStep::Print);
    EXPECT_EQ(master[4].text, "    ! Commande ignor\xE9" "e : le nom du projet ma\xEEtre contient un caract\xE8re de "
                              "contr\xF4le");
    const auto source = ExportJob(kDefault, "app" + c + ".exe", {ok}, kMaster);
    EXPECT_EQ(source[3].text,
              "    ! Projet ok.prj ignor\xE9 : le fichier source du projet ma\xEEtre (sa ligne 1) contient "
              "un caract\xE8re de contr\xF4le");
    const FolderSource folder = [&c] { return "C:\\RL" + c + "Tools\\"; };
    EXPECT_EQ(joined(ImportJob(folder, {ok})).find("X:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EveryOne, ControlByte, testing::Range(0, 0x20));

struct QuotingCase
{
    const char *name;
    std::string value;
    std::string written; // as the batch file holds it
};

class Quoting : public testing::TestWithParam<QuotingCase>
{
};

// Written as the interpreter expects, and read back by it and by the program as
// exactly one argument with the value's bytes.
TEST_P(Quoting, OneArgumentWithTheSameBytes)
{
    const QuotingCase &q = GetParam();
    EXPECT_EQ(BatchArgument(q.value), q.written);
    const std::string command = "C:\\RLTools\\rlman -l " + BatchArgument(q.value) + " demo.mpj";
    const std::string batch = BatchFileText(command);
    const std::string line3 = batch.substr(batch.find("\r\n", batch.find("\r\n") + 2) + 2);
    const BatchLine read = ReadBatchLine(line3.substr(0, line3.find("\r\n")));
    ASSERT_FALSE(read.refused) << read.reason;
    EXPECT_EQ(SplitCommandLine(read.text), (std::vector<std::string>{"C:\\RLTools\\rlman", "-l", q.value, "demo.mpj"}));
}

INSTANTIATE_TEST_SUITE_P(
    Values, Quoting,
    testing::Values(QuotingCase{"plain", "fr.prj", "fr.prj"},
                    QuotingCase{"backslashes", "..\\bin\\French.dll", "..\\bin\\French.dll"},
                    QuotingCase{"accented", "\xE9t\xE9.prj", "\xE9t\xE9.prj"},
                    QuotingCase{"blank", "my project.prj", "\"my project.prj\""},
                    QuotingCase{"blanks_at_the_end", "fr.tok  ", "\"fr.tok  \""},
                    QuotingCase{"ampersand", "a&b.prj", "\"a&b.prj\""}, QuotingCase{"pipe", "a|b", "\"a|b\""},
                    QuotingCase{"less", "a<b", "\"a<b\""}, QuotingCase{"greater", "a>b", "\"a>b\""},
                    QuotingCase{"caret", "a^b", "\"a^b\""}, QuotingCase{"percent", "50%.prj", "\"50%%.prj\""},
                    QuotingCase{"variable", "%PATH%", "\"%%PATH%%\""},
                    QuotingCase{"two_percents", "a%%b", "\"a%%%%b\""},
                    QuotingCase{"blank_and_final_backslash", "my dir\\", "\"my dir\\\\\""},
                    QuotingCase{"final_backslashes", "a&b\\\\", "\"a&b\\\\\\\\\""},
                    QuotingCase{"inner_backslash_before_blank", "a\\ b", "\"a\\ b\""},
                    QuotingCase{"everything", "x &|<>^% y", "\"x &|<>^%% y\""},
                    QuotingCase{"unicode_bytes", "\xC3\xBC" "ber &.prj", "\"\xC3\xBC" "ber &.prj\""}),
    [](const testing::TestParamInfo<QuotingCase> &info) { return std::string(info.param.name); });

TEST(Quoting, AQuoteCannotBeCarried)
{
    EXPECT_EQ(ArgumentProblemOf("a\"b.prj"), ArgumentProblem::Quote);
    const JobRow row{"12", "1", "a\"&calc.prj", "fr.tok", "fr.dll"};
    const auto steps = RefreshJob(kDefault, "demo.mpj", {row});
    EXPECT_EQ(steps[5].text, "    ! Projet a\"&calc.prj ignor\xE9 : son nom contient un guillemet (\"), que la ligne "
                             "de commande ne peut pas transmettre");
    EXPECT_EQ(steps[6].kind, JobStep::Print);
}

TEST(Quoting, APlainProjectsCommandsAsBefore)
{
    // Blanks in the RLTools folder make the program one quoted word; the rest stays.
    const FolderSource spaced = [] { return std::string("C:\\My Tools\\"); };
    const JobRow row{"12", "1", "my fr.prj", "fr.tok", "fr\\app.dll"};
    EXPECT_EQ(RefreshJob(spaced, "demo.mpj", {row})[6].text,
              "\"C:\\My Tools\\rlman\" -n 12 1 -l \"my fr.prj\" demo.mpj fr.tok");
}

struct LineCase
{
    const char *name;
    std::string line;
    std::string read; // empty when refused
};

class InterpreterLine : public testing::TestWithParam<LineCase>
{
};

TEST_P(InterpreterLine, ReadAsTheInterpreterReadsIt)
{
    const BatchLine read = ReadBatchLine(GetParam().line);
    EXPECT_EQ(read.refused, GetParam().read.empty()) << read.reason;
    EXPECT_EQ(read.text, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, InterpreterLine,
    testing::Values(LineCase{"plain", "rlman -m demo.mpj", "rlman -m demo.mpj"},
                    LineCase{"halved_percents", "echo \"50%%\" 1%%", "echo \"50%\" 1%"},
                    LineCase{"variable", "rlman %PATH%", ""}, LineCase{"parameter", "rlman %1", ""},
                    LineCase{"percent_in_quotes", "rlman \"%x\"", ""},
                    LineCase{"ampersand", "rlman a&touch PWNED", ""}, LineCase{"pipe", "rlman a|b", ""},
                    LineCase{"redirection", "rlman >x", ""}, LineCase{"input", "rlman <x", ""},
                    LineCase{"operators_in_quotes", "rlman \"a&b|c<d>e^f\"", "rlman \"a&b|c<d>e^f\""},
                    LineCase{"escaped", "rlman a^&b ^^", "rlman a&b ^"},
                    LineCase{"escaped_quote", "rlman ^\"a&b", ""},
                    LineCase{"continuation", "rlman a^", ""}, LineCase{"carriage_return", "rlman a\rtouch x", ""},
                    LineCase{"tab", "rlman\ta", ""}, LineCase{"escape", "echo \x1B[2J", ""},
                    LineCase{"nul", std::string("rlman a\0b", 9), ""}),
    [](const testing::TestParamInfo<LineCase> &info) { return std::string(info.param.name); });

TEST(ExportJob, ATargetOutsideTheMasterFolderIsWarnedAbout)
{
    const JobRow up{"12", "1", "fr.prj", "fr.tok", "../notes.txt"};
    const auto steps = ExportJob(kDefault, "app.exe", {kFr, up}, kMaster);
    EXPECT_EQ(joined(steps), "P:Exporation des tokens vers des fichiers DLL\n"
                             "P:------------------------------------------\n"
                             "P:\n"
                             "P:     - Exporatation des tokens vers  fr\\app.dll\n"
                             "X:C:\\RLTools\\rlman -n 12 1 -r app.exe fr.tok fr\\app.dll\n"
                             "P:     - Exporatation des tokens vers  ../notes.txt\n"
                             "P:       ! Attention : le fichier cible ../notes.txt est hors du dossier du projet "
                             "ma\xEEtre\n"
                             "X:C:\\RLTools\\rlman -n 12 1 -r app.exe fr.tok ../notes.txt\n"
                             "P:\n"
                             "P:Op\xE9ration termin\xE9" "e ! \n");
    EXPECT_EQ(steps[6].line.pieces[1].source, PaneText::Value);
}

} // namespace
