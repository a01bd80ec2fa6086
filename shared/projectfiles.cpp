#include "projectfiles.h"

#include "regularfile.h"
#include "textlines.h"

#include <algorithm>
#include <filesystem>
#include <new>

namespace {

// Opens a file for line reading: only a regular file (or a link to one).
bool openForReading(RegularFileStream &in, const std::string &path)
{
    return in.open(path);
}

// Runs a reader; a line too long for memory counts as a file that can't be read.
template <typename Read, typename Result> Result guarded(Read read, Result failed)
{
    try {
        return read();
    } catch (const std::bad_alloc &) {
        return failed;
    }
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
    if (result.lines.size() > 5)
        result.project.languageLine = result.lines[5];
    if (in.bad() || result.lines.size() < 6)
        result.error = ProjectReadError::TooShort;
    return result;
}

EditorLanguageProjectResult ReadEditorLanguageProject(const std::string &path)
{
    RegularFileStream in;
    if (!openForReading(in, path)) {
        EditorLanguageProjectResult result;
        result.error = ProjectReadError::CantOpen;
        return result;
    }
    EditorLanguageProjectResult failed;
    failed.error = ProjectReadError::CantOpen;
    return guarded([&] { return ReadEditorLanguageProject(in); }, failed);
}

EditorMasterProjectResult ReadEditorMasterProject(std::istream &in)
{
    EditorMasterProjectResult result;
    result.lines = ReadLines(in, 2);
    if (!result.lines.empty())
        result.project.sourceFile = result.lines[0];
    if (result.lines.size() > 1)
        result.project.masterTokenFile = result.lines[1];
    if (in.bad() || result.lines.size() < 2)
        result.error = ProjectReadError::TooShort;
    return result;
}

EditorMasterProjectResult ReadEditorMasterProject(const std::string &path)
{
    RegularFileStream in;
    if (!openForReading(in, path)) {
        EditorMasterProjectResult result;
        result.error = ProjectReadError::CantOpen;
        return result;
    }
    EditorMasterProjectResult failed;
    failed.error = ProjectReadError::CantOpen;
    return guarded([&] { return ReadEditorMasterProject(in); }, failed);
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
    RegularFileStream in;
    if (!openForReading(in, path))
        return {};
    return guarded([&] { return ReadAdminLanguageProject(in); }, AdminLanguageProject{});
}

std::vector<std::string> ListLanguageProjects(const std::string &folder)
{
    namespace fs = std::filesystem;
    auto lower = [](std::string s) {
        for (char &c : s)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return s;
    };
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue; // hidden
        if (name.size() < 4 || lower(name.substr(name.size() - 4)) != ".prj")
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        names.push_back(name);
    }
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string &name : names)
        keyed.emplace_back(lower(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto &[key, name] : keyed)
        names.push_back(std::move(name));
    return names;
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
    RegularFileStream in;
    if (!openForReading(in, path))
        return std::nullopt;
    return guarded([&] { return ReadAdminMasterProject(in); }, std::optional<std::string>{});
}

SourceLanguage ParseSourceLanguageLine(const std::string &line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    SourceLanguage language;
    if (words.empty())
        return language;
    std::string first = words[0];
    for (char &c : first)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (first != "LANGUAGE")
        return language;
    language.state = SourceLanguage::State::Malformed;
    auto number = [](const std::string &word, unsigned limit, unsigned &value) {
        if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = static_cast<unsigned>(std::stoul(word));
        return value <= limit;
    };
    if (words.size() == 3 && number(words[1], 0x3FF, language.primary) && number(words[2], 0x3F, language.sub))
        language.state = SourceLanguage::State::Chosen;
    return language;
}

std::string SourceLanguageLineText(unsigned primary, unsigned sub)
{
    return "LANGUAGE " + std::to_string(primary) + " " + std::to_string(sub);
}

std::optional<SourceLanguage> ReadSourceLanguage(const std::string &masterProject)
{
    RegularFileStream in;
    if (!openForReading(in, masterProject))
        return std::nullopt;
    const auto lines = guarded([&] { return ReadLines(in, kSourceLanguageLine); }, std::vector<std::string>{});
    if (in.bad())
        return std::nullopt;
    if (lines.size() < kSourceLanguageLine)
        return SourceLanguage{};
    return ParseSourceLanguageLine(lines[kSourceLanguageLine - 1]);
}
