#pragma once

#include "memory/translationmemory.h"

#include "tokentable.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace memory {

// The languages of a language project and the code pages of its token files.
struct ProjectLanguages
{
    LanguageId source;              // of the master tokens
    LanguageId target;              // of the project tokens
    unsigned masterCodePage = 1252; // of the master token file
    unsigned projectCodePage = 1252;
};

// The units of a project's tables: each token of status 4 with a non-empty
// text whose master token has a non-empty text, both decoded by their code
// pages with their escapes resolved. The master's key cells must be in the
// project's code page (as ReadProject leaves them). `projectPath` and `time`
// make the origin, with the token's type and place (fields 2|3|4|6).
void CollectProjectUnits(const TokenTable &master, const TokenTable &project, const ProjectLanguages &languages,
                         const std::string &projectPath, std::int64_t time, UnitSink &sink);

// The units of a language project on disk (.prj): its token files and the
// .obsolete file beside its token file, if there is one. Paths in the project
// files are taken from the .prj's folder. The target language is line 6's, the
// source language the master project's (line 3, else its source file's),
// English (United States) when neither gives one. A token file with a line that
// is not a token is refused, naming the line.
std::optional<ReadError> ReadLanguageProject(const std::string &prjPath, UnitSink &sink);

// The languages of a language project, as ReadLanguageProject finds them, and
// its token file; for reading the .obsolete file of a token file on its own.
struct ProjectFiles
{
    ProjectLanguages languages;
    std::string tokenFile;
    std::string masterTokenFile;
};
std::optional<ProjectFiles> ReadProjectFiles(const std::string &prjPath, ReadError &error);

// The .prj of the folder that names `tokenFile` as its token file (line 2),
// empty when none does.
std::string FindProjectOfTokenFile(const std::string &tokenFile);

// Reads an .obsolete file as a refresh writes it: pairs of a line ";" followed by
// the old master text (escaped as token texts, in the master's code page) and
// the token line that held its translation (in the project's code page). Each
// pair whose token has status 4 and a non-empty text gives a unit.
std::optional<ReadError> ReadObsoleteTokens(std::istream &in, const std::string &name,
                                            const ProjectLanguages &languages, const std::string &projectPath,
                                            std::int64_t time, UnitSink &sink);

} // namespace memory
