#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

// Readers of the two RLTools project file kinds. A line is taken exactly as the
// file holds it, without its line end; only its position gives it a meaning.
// Each reader opens, reads and closes its file within the call.

// Language project (.prj) as the token editor reads it: line 1 the master
// project, line 2 the project token file; lines 3 to 6 must exist, and line 6,
// the language line, gives the code page of the project token file.
struct EditorLanguageProject
{
    std::string masterProject;
    std::string tokenFile;
    std::string languageLine;
};

// Master project (.mpj) as the token editor reads it: line 2 the master token
// file; line 1, the source file, must exist and is kept for the preview only.
struct EditorMasterProject
{
    std::string sourceFile; // line 1
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

// Names of the "*.prj" files of a folder, the language projects beside a
// master project, as bytes: files only (or links to them), not hidden, the
// extension matched without regard to case, in name order compared without
// regard to case.
std::vector<std::string> ListLanguageProjects(const std::string &folder);

// Master project as the administrator reads it: line 1, the source file.
// Nothing when the file cannot be opened or holds no line.
std::optional<std::string> ReadAdminMasterProject(const std::string &path);
std::optional<std::string> ReadAdminMasterProject(std::istream &in);

// The language of the source file's resources that the master tokens are cut
// from, when the user chose one: line 3 of the master project, "LANGUAGE LANG
// SUBLANG" with decimal identifiers, as line 6 of a language project. Neither
// the editor nor the administrator reads that line. A line 3 that is empty or
// does not begin with the word LANGUAGE records no choice; one that does but
// does not go on with two identifiers is malformed.
struct SourceLanguage
{
    enum class State
    {
        Unset,
        Chosen,
        Malformed
    };
    State state = State::Unset;
    unsigned primary = 0; // 0 to 1023
    unsigned sub = 0;     // 0 to 63

    bool chosen() const { return state == State::Chosen; }
    unsigned languageId() const { return (sub << 10) | primary; }
};

constexpr std::size_t kSourceLanguageLine = 3;

SourceLanguage ParseSourceLanguageLine(const std::string &line);
// The text of line 3 for a language.
std::string SourceLanguageLineText(unsigned primary, unsigned sub);
// Nothing when the master project cannot be opened.
std::optional<SourceLanguage> ReadSourceLanguage(const std::string &masterProject);
