#pragma once

#include "checks/checks.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// quenlit-check: the checks of one language project, without a window.
//
//   quenlit-check [--only ID,...] [--min-level info|warning|error]
//                 [--spelling [--dictionaries DIR]] [--glossary [--memory FILE]] LANGUAGE.prj
//
// One line per finding, "TOKENFILE:LINE: LEVEL: [ID] message", LINE being the
// token's line in the project token file, then a line of totals. Exit status 1
// when an error is reported, 0 otherwise, 2 when the project cannot be opened or
// the arguments are wrong. The "spelling" and "glossary" checks run only when
// asked for (--spelling, --glossary, or named by --only): without, the output
// is that of the other checks alone.
struct CheckOptions
{
    std::string project;
    CheckMask only = kAllChecks;
    CheckLevel minLevel = CheckLevel::Info;
    bool spelling = false;
    std::vector<std::string> dictionaryFolders; // empty: the system's
    bool glossary = false;
    std::string memory; // empty: the user's translation memory
};

// The options, or a message saying what is wrong with the arguments.
struct ParsedArguments
{
    std::optional<CheckOptions> options;
    std::string error;
    bool help = false;
};
ParsedArguments ParseCheckArguments(const std::vector<std::string> &args);

// Runs the checker; returns the exit status. The current directory becomes the
// project's folder, as when the editor opens a project.
int RunChecker(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// The line of each row of a token table (rows are the lines that are tokens,
// in order): index row, value line; entry 0 unused.
std::vector<std::size_t> RowLines(std::string_view fileBytes);
