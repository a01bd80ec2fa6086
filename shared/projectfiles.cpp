#include "projectfiles.h"

#include "textlines.h"

#include <filesystem>
#include <fstream>

namespace {

// Opens a file for line reading; a folder does not count as a readable file.
bool openForReading(std::ifstream &in, const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    in.open(path, std::ios::binary);
    return in.is_open();
}

} // namespace

EditorLanguageProjectResult ReadEditorLanguageProject(std::istream &in)
{
    EditorLanguageProjectResult result;
    result.lines = ReadLines(in, 6);
    if (!result.lines.empty())
        result.project.masterProject = result.lines[0];
    if (result.lines.size() > 1)
        result.project.tokenFile = result.lines[1];
    if (in.bad() || result.lines.size() < 6)
        result.error = ProjectReadError::TooShort;
    return result;
}

EditorLanguageProjectResult ReadEditorLanguageProject(const std::string &path)
{
    std::ifstream in;
    if (!openForReading(in, path)) {
        EditorLanguageProjectResult result;
        result.error = ProjectReadError::CantOpen;
        return result;
    }
    return ReadEditorLanguageProject(in);
}

EditorMasterProjectResult ReadEditorMasterProject(std::istream &in)
{
    EditorMasterProjectResult result;
    result.lines = ReadLines(in, 2);
    if (result.lines.size() > 1)
        result.project.masterTokenFile = result.lines[1];
    if (in.bad() || result.lines.size() < 2)
        result.error = ProjectReadError::TooShort;
    return result;
}

EditorMasterProjectResult ReadEditorMasterProject(const std::string &path)
{
    std::ifstream in;
    if (!openForReading(in, path)) {
        EditorMasterProjectResult result;
        result.error = ProjectReadError::CantOpen;
        return result;
    }
    return ReadEditorMasterProject(in);
}

AdminLanguageProject ReadAdminLanguageProject(std::istream &in)
{
    AdminLanguageProject project;
    project.opened = true;
    const auto lines = ReadLines(in, 7);
    project.linesRead = lines.size();
    if (lines.size() > 1)
        project.tokenFile = lines[1];
    if (lines.size() > 5)
        project.languageLine = lines[5];
    if (lines.size() > 6)
        project.targetFile = lines[6];
    return project;
}

AdminLanguageProject ReadAdminLanguageProject(const std::string &path)
{
    std::ifstream in;
    if (!openForReading(in, path))
        return {};
    return ReadAdminLanguageProject(in);
}

std::optional<std::string> ReadAdminMasterProject(std::istream &in)
{
    const auto lines = ReadLines(in, 1);
    if (in.bad() || lines.empty())
        return std::nullopt;
    return lines.front();
}

std::optional<std::string> ReadAdminMasterProject(const std::string &path)
{
    std::ifstream in;
    if (!openForReading(in, path))
        return std::nullopt;
    return ReadAdminMasterProject(in);
}
