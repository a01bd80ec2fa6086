#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

// Readers of the two RLTools project file kinds. A line is taken exactly as the
// file holds it, without its line end; only its position gives it a meaning.
// Each reader opens, reads and closes its file within the call.

// Language project (.prj) as the token editor reads it: line 1 the master
// project, line 2 the project token file; lines 3 to 6 must exist.
struct EditorLanguageProject
{
    std::string masterProject;
    std::string tokenFile;
};

// Master project (.mpj) as the token editor reads it: line 2 the master token
// file; line 1 must exist and is dropped.
struct EditorMasterProject
{
    std::string masterTokenFile;
};

// Why a reader failed; both kinds give the same message to the user.
enum class ProjectReadError
{
    None,
    CantOpen,
    TooShort
};

struct EditorLanguageProjectResult
{
    ProjectReadError error = ProjectReadError::None;
    // The lines that were read before a failure stay available (paths are kept
    // as soon as they are read).
    std::vector<std::string> lines;
    EditorLanguageProject project;
};

struct EditorMasterProjectResult
{
    ProjectReadError error = ProjectReadError::None;
    std::vector<std::string> lines;
    EditorMasterProject project;
};

EditorLanguageProjectResult ReadEditorLanguageProject(const std::string &path);
EditorLanguageProjectResult ReadEditorLanguageProject(std::istream &in);
EditorMasterProjectResult ReadEditorMasterProject(const std::string &path);
EditorMasterProjectResult ReadEditorMasterProject(std::istream &in);

// Language project as the administrator reads it: lines 2, 6 and 7. The lines
// that could be read are kept; linesRead tells how many (at most 7).
struct AdminLanguageProject
{
    bool opened = false;
    std::size_t linesRead = 0;
    std::string tokenFile;    // line 2
    std::string languageLine; // line 6
    std::string targetFile;   // line 7
};

AdminLanguageProject ReadAdminLanguageProject(const std::string &path);
AdminLanguageProject ReadAdminLanguageProject(std::istream &in);

// Master project as the administrator reads it: line 1, the source file.
// Nothing when the file cannot be opened or holds no line.
std::optional<std::string> ReadAdminMasterProject(const std::string &path);
std::optional<std::string> ReadAdminMasterProject(std::istream &in);
