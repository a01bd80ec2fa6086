#include "memory/projectunits.h"

#include "codepage.h"
#include "mastercodepage.h"
#include "projectfiles.h"
#include "regularfile.h"
#include "tokenescape.h"
#include "tokenio.h"
#include "tokenline.h"
#include "tokenstatus.h"

#include <unicode/unistr.h>

#include <ctime>
#include <filesystem>
#include <system_error>

namespace memory {

namespace {

std::string utf8(const std::u16string &text)
{
    std::string out;
    icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())).toUTF8String(out);
    return out;
}

std::string decoded(std::string_view cell, const CodePage &codePage)
{
    return utf8(UnescapeText(std::string(cell), codePage));
}

std::string placeOf(const std::string_view (&cells)[TokenColumnCount])
{
    return std::string(cells[ColId2]) + "|" + std::string(cells[ColId3]) + "|" + std::string(cells[ColId4]) + "|" +
           std::string(cells[ColId6]);
}

// A path read from a project file, taken from `folder` when relative.
std::string fromFolder(const std::string &folder, const std::string &path)
{
    if (path.empty() || path.front() == '/' || folder.empty())
        return path;
    return folder + "/" + path;
}

std::string folderOf(const std::string &path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// Records the first malformed line of a token file.
struct BadLineObserver : TokenLoadObserver
{
    std::size_t line = 0;
    void badToken(std::size_t lineNumber, std::string_view) override
    {
        if (line == 0)
            line = lineNumber;
    }
};

std::optional<ReadError> loadTable(const std::string &path, TokenTable &table)
{
    BadLineObserver observer;
    switch (LoadTokenFile(path, table, &observer)) {
    case TokenLoadStatus::Ok:
        break;
    case TokenLoadStatus::CantOpen:
        return ReadError{path, 0, "can't open the token file"};
    case TokenLoadStatus::ReadError:
        return ReadError{path, 0, "error while reading the token file"};
    }
    if (observer.line != 0)
        return ReadError{path, observer.line, "not a token line"};
    return std::nullopt;
}

} // namespace

void CollectProjectUnits(const TokenTable &master, const TokenTable &project, const ProjectLanguages &languages,
                         const std::string &projectPath, std::int64_t time, UnitSink &sink)
{
    const CodePage &masterCodePage = CodePage::get(languages.masterCodePage);
    const CodePage &projectCodePage = CodePage::get(languages.projectCodePage);
    Unit unit;
    unit.sourceLanguage = languages.source;
    unit.targetLanguage = languages.target;
    unit.origin.project = projectPath;
    unit.origin.time = time;
    for (std::size_t row = 1; row <= project.tokenCount(); ++row) {
        std::string_view cells[TokenColumnCount];
        project.cells(row, cells);
        if (StatusOf(cells[ColStatus]) != FlagTranslated || cells[ColText].empty())
            continue;
        const auto masterRow = master.findFirstWithKey(project, row);
        if (!masterRow)
            continue;
        const std::string_view masterText = master.cell(*masterRow, ColText);
        if (masterText.empty())
            continue;
        unit.source = decoded(masterText, masterCodePage);
        unit.translation = decoded(cells[ColText], projectCodePage);
        unit.origin.resourceType = std::string(cells[ColType]);
        unit.origin.place = placeOf(cells);
        sink.add(unit);
    }
}

std::optional<ProjectFiles> ReadProjectFiles(const std::string &prjPath, ReadError &error)
{
    const std::string folder = folderOf(prjPath);
    const auto language = ReadEditorLanguageProject(prjPath);
    if (language.error != ProjectReadError::None) {
        error = {prjPath, 0, language.error == ProjectReadError::CantOpen ? "can't open the language project"
                                                                          : "a language project has 6 lines at least"};
        return std::nullopt;
    }
    const auto target = ParseLanguageLine(language.project.languageLine);
    if (!target) {
        error = {prjPath, 6, "no language on line 6 (\"LANGUAGE LANG SUBLANG\")"};
        return std::nullopt;
    }
    const std::string masterProject = fromFolder(folder, language.project.masterProject);
    const auto master = ReadEditorMasterProject(masterProject);
    if (master.error != ProjectReadError::None) {
        error = {masterProject, 0, master.error == ProjectReadError::CantOpen ? "can't open the master project"
                                                                              : "a master project has 2 lines at least"};
        return std::nullopt;
    }
    ProjectFiles files;
    files.languages.target = *target;
    files.languages.source = MasterSourceLanguage(masterProject, folder).value_or(LanguageId{9, 1});
    files.languages.masterCodePage = AnsiCodePage(files.languages.source.primary, files.languages.source.sub);
    files.languages.projectCodePage = CodePageOfLanguageLine(language.project.languageLine);
    files.tokenFile = fromFolder(folder, language.project.tokenFile);
    files.masterTokenFile = fromFolder(folder, master.project.masterTokenFile);
    return files;
}

std::optional<ReadError> ReadLanguageProject(const std::string &prjPath, UnitSink &sink)
{
    ReadError error;
    const auto files = ReadProjectFiles(prjPath, error);
    if (!files)
        return error;
    TokenTable master, project;
    if (auto failed = loadTable(files->masterTokenFile, master))
        return failed;
    if (auto failed = loadTable(files->tokenFile, project))
        return failed;
    TranscodeKeyCells(master, CodePage::get(files->languages.masterCodePage),
                      CodePage::get(files->languages.projectCodePage));
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    CollectProjectUnits(master, project, files->languages, prjPath, now, sink);

    const std::string obsolete = files->tokenFile + ".obsolete";
    std::error_code ec;
    if (!std::filesystem::exists(obsolete, ec))
        return std::nullopt;
    RegularFileStream in;
    if (!in.open(obsolete))
        return ReadError{obsolete, 0, "can't open the file"};
    return ReadObsoleteTokens(in, obsolete, files->languages, prjPath, now, sink);
}

std::string FindProjectOfTokenFile(const std::string &tokenFile)
{
    std::error_code ec;
    const std::filesystem::path token = std::filesystem::absolute(tokenFile, ec);
    for (const auto &entry : std::filesystem::directory_iterator(folderOf(tokenFile), ec)) {
        std::string extension = entry.path().extension().string();
        for (char &c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (extension != ".prj")
            continue;
        const std::string prj = entry.path().string();
        const auto language = ReadEditorLanguageProject(prj);
        if (language.error != ProjectReadError::None)
            continue;
        const std::string named = fromFolder(folderOf(prj), language.project.tokenFile);
        std::error_code same;
        if (std::filesystem::equivalent(named, token, same))
            return prj;
    }
    return {};
}

std::optional<ReadError> ReadObsoleteTokens(std::istream &in, const std::string &name,
                                            const ProjectLanguages &languages, const std::string &projectPath,
                                            std::int64_t time, UnitSink &sink)
{
    const CodePage &masterCodePage = CodePage::get(languages.masterCodePage);
    const CodePage &projectCodePage = CodePage::get(languages.projectCodePage);
    std::string line;
    std::size_t number = 0;
    std::optional<std::string> masterText;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == ';') {
            if (masterText)
                return ReadError{name, number, "two master texts without a token between them"};
            masterText = line.substr(1);
            continue;
        }
        if (line.empty())
            continue;
        TokenLineLayout layout;
        if (ParseTokenLine(line, layout) != TokenLineStatus::Ok)
            return ReadError{name, number, "not a token line"};
        if (!masterText)
            return ReadError{name, number, "a token without its master text (a line \";\" before it)"};
        TokenTable table;
        table.appendLine(line, layout);
        std::string_view cells[TokenColumnCount];
        table.cells(1, cells);
        if (StatusOf(cells[ColStatus]) == FlagTranslated && !cells[ColText].empty() && !masterText->empty()) {
            Unit unit;
            unit.source = decoded(*masterText, masterCodePage);
            unit.translation = decoded(cells[ColText], projectCodePage);
            unit.sourceLanguage = languages.source;
            unit.targetLanguage = languages.target;
            unit.origin.project = projectPath;
            unit.origin.resourceType = std::string(cells[ColType]);
            unit.origin.place = placeOf(cells);
            unit.origin.time = time;
            sink.add(unit);
        }
        masterText.reset();
    }
    if (in.bad())
        return ReadError{name, 0, "read error"};
    if (masterText)
        return ReadError{name, number, "a master text without its token"};
    return std::nullopt;
}

} // namespace memory
