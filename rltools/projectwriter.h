#pragma once

#include <string>
#include <vector>

// The files RLAdmin.exe writes, as the administrator and the editor read them.

// A language project's seven lines: the master project, the token file, the
// master's source file (line 3), two empty lines kept for later use,
// "LANGUAGE LANG SUBLANG" and the target file; CR LF each.
std::string LanguageProjectText(const std::string &masterProject, const std::string &tokenFile,
                                const std::string &sourceFile, const std::string &langId,
                                const std::string &subLangId, const std::string &targetFile);

// A master project with new first two lines; lines beyond them are kept.
std::string MasterProjectText(const std::string &sourceFile, const std::string &masterTokenFile,
                              const std::vector<std::string> &laterLines);

// Why a value cannot go into a project file line, or be passed to rlman by the
// administrator's jobs; empty when it can.
std::string LineProblem(const std::string &value);
