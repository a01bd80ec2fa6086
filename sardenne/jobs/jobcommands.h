#pragma once

#include "panetext.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One step of a job: a progress line for the output pane, or a command to run
// through the batch file.
struct JobStep
{
    enum Kind
    {
        Print,
        Exec
    };
    Kind kind = Print;
    std::string text; // the command line, or the progress line's bytes
    PaneText line;    // the progress line, in its pieces
};

// What a job reads of one selected row of the language list.
struct JobRow
{
    std::string langId;
    std::string langSubId;
    std::string prjFile;      // KEY_PRJFILE text
    std::string tokenFileTag; // hidden value of KEY_TOKENFILE
    std::string exeFileTag;   // hidden value of KEY_EXEFILE
    unsigned codePage = 1252; // of the project's language: how its values are shown
};

// The RLTools folder is read anew for every command and used as a bare prefix.
using FolderSource = std::function<std::string()>;

std::vector<JobStep> RefreshJob(const FolderSource &rlFolder, const std::string &masterFileName,
                                const std::vector<JobRow> &selected);
// A row whose target file lies outside the master folder's tree gets a warning
// before its command.
std::vector<JobStep> ExportJob(const FolderSource &rlFolder, const std::string &masterFirstLine,
                               const std::vector<JobRow> &selected, const std::string &masterFolder);
std::vector<JobStep> ImportJob(const FolderSource &rlFolder, const std::vector<JobRow> &selected);

// A row, or the master command, whose values cannot all be carried to rlman
// gives no command: one pane line instead says which value and why.

// What keeps a value out of a command line in a batch file: a byte below 0x20
// (a line end would begin a statement of its own), or a double quote, which the
// command interpreter and the program it starts would read differently (no
// Windows file name holds one).
enum class ArgumentProblem
{
    None,
    ControlByte,
    Quote
};
ArgumentProblem ArgumentProblemOf(std::string_view value);

// A value as one word of a batch file's command line: as it is when it holds no
// blank and none of & | < > ^ % ", else in double quotes, each % doubled (the
// interpreter halves them, in quotes or not) and the backslashes before the
// closing quote doubled (the program halves those). For values without an
// ArgumentProblem.
std::string BatchArgument(std::string_view value);

// The four lines of the batch file, CR LF each.
std::string BatchFileText(const std::string &commandLine);

// Splits a command line into words the way a Windows program splits its own
// command line: blanks and tabs separate words, double quotes group, and
// backslashes are literal except before a double quote.
std::vector<std::string> SplitCommandLine(const std::string &commandLine);

// One line of a batch file as the Windows command interpreter reads it before
// it runs it: "%%" becomes "%" and, outside double quotes, "^" takes the next
// character as it is; quotes stay for the program. What we do not carry out is
// refused, with the reason (French, Windows-1252): a byte below 0x20, a "%"
// alone (a variable or a parameter), an "&", "|", "<" or ">" outside quotes (a
// second command, a pipe, a redirection) and a "^" that ends the line.
struct BatchLine
{
    bool refused = false;
    std::string text;   // the line as read
    std::string reason; // why it was refused
};
BatchLine ReadBatchLine(std::string_view line);
