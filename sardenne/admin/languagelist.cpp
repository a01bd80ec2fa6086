#include "languagelist.h"

#include "codepage.h"
#include "languagecodepage.h"
#include "projectfiles.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

std::string ExtractWord(const std::string &line, long long n)
{
    if (n < 1)
        return {};
    std::size_t start = 0;
    for (long long k = 1; k < n; ++k) {
        const auto blank = line.find(' ', start);
        if (blank == std::string::npos)
            return {};
        start = blank + 1;
    }
    const auto end = line.find(' ', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

namespace {

fs::path folderPath(const std::string &folder)
{
    return folder.empty() ? fs::path(".") : fs::path(folder);
}

} // namespace

FolderFiles::FolderFiles(std::string folder) : m_folder(std::move(folder))
{
    std::error_code ec;
    for (fs::directory_iterator it(folderPath(m_folder), ec), end; !ec && it != end; it.increment(ec))
        m_names.push_back(it->path().filename().string());
    std::sort(m_names.begin(), m_names.end());
}

std::optional<std::string> FolderFiles::findIgnoringCase(const std::string &name, unsigned codePage) const
{
    if (name.empty())
        return std::nullopt;
    std::error_code ec;
    const fs::path exact = folderPath(m_folder) / name;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    const CodePage &charset = CodePage::get(codePage);
    auto &capitals = m_capitals[charset.number()];
    if (capitals.empty()) {
        capitals.reserve(m_names.size());
        for (std::size_t i = 0; i < m_names.size(); ++i)
            capitals.emplace(charset.toUpper(m_names[i]), i);
    }
    const auto [first, last] = capitals.equal_range(charset.toUpper(name));
    std::vector<std::size_t> matches;
    for (auto it = first; it != last; ++it)
        matches.push_back(it->second);
    std::sort(matches.begin(), matches.end());
    for (const std::size_t i : matches) {
        const fs::path candidate = folderPath(m_folder) / m_names[i];
        if (fs::is_regular_file(candidate, ec))
            return candidate.string();
    }
    return std::nullopt;
}

LanguageRow ReadLanguageRow(const std::string &folder, const std::string &prjFile)
{
    return ReadLanguageRow(FolderFiles(folder), prjFile);
}

LanguageRow ReadLanguageRow(const FolderFiles &folder, const std::string &prjFile)
{
    LanguageRow row;
    row.prjFile = prjFile;
    const AdminLanguageProject project = ReadAdminLanguageProject(folder.folder() + prjFile);
    if (!project.opened) {
        row.problems.push_back(PaneText("Attention : le projet ").fileName(prjFile).fixed(" n'a pas pu \xEAtre lu."));
        return row;
    }
    if (project.linesRead < 7)
        row.problems.push_back(PaneText("Attention : le projet ")
                                   .fileName(prjFile)
                                   .fixed(" n'a que " + std::to_string(project.linesRead) +
                                          " ligne(s) sur les 7 attendues."));

    // Names and values read and shown in the code page of the project's language.
    row.codePage = CodePageOfLanguageLine(project.languageLine);
    const CodePage &charset = CodePage::get(row.codePage);
    row.tokenFileTag = project.tokenFile;
    const std::string t = charset.toUpper(charset.fileNameOf(project.tokenFile));
    row.tokenFile = t;
    if (t.size() >= 4) {
        row.lang = t.substr(0, t.size() - 4);
    } else if (project.linesRead >= 2) {
        row.problems.push_back(PaneText("Attention : le nom du fichier token du projet ")
                                   .fileName(prjFile)
                                   .fixed(" a moins de quatre caract\xE8res."));
    }
    row.langId = ExtractWord(project.languageLine, 2);
    row.langSubId = ExtractWord(project.languageLine, 3);
    row.exeFileTag = project.targetFile;
    row.exeFile = charset.toUpper(charset.fileNameOf(project.targetFile));

    // The date is that of the file named T in the master folder.
    if (const auto found = folder.findIgnoringCase(t, row.codePage))
        row.tokenFileFound = *found;
    if (row.tokenFileFound.empty() && project.linesRead >= 2)
        row.problems.push_back(PaneText("Attention : le fichier token ")
                                   .value(t)
                                   .fixed(" du projet ")
                                   .fileName(prjFile)
                                   .fixed(" est introuvable dans le dossier du projet ma\xEEtre."));
    for (PaneText &problem : row.problems)
        problem.inCodePage(row.codePage);
    return row;
}
