#pragma once

#include "panetext.h"

#include <functional>
#include <string>
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
std::vector<JobStep> ExportJob(const FolderSource &rlFolder, const std::string &masterFirstLine,
                               const std::vector<JobRow> &selected);
std::vector<JobStep> ImportJob(const FolderSource &rlFolder, const std::vector<JobRow> &selected);

// The four lines of the batch file, CR LF each.
std::string BatchFileText(const std::string &commandLine);

// Splits a command line into words the way a Windows program splits its own
// command line: blanks and tabs separate words, double quotes group, and
// backslashes are literal except before a double quote.
std::vector<std::string> SplitCommandLine(const std::string &commandLine);
