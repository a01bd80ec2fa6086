#include "jobcommands.h"

namespace {

JobStep print(PaneText line)
{
    std::string text = line.bytes();
    return {JobStep::Print, std::move(text), std::move(line)};
}

JobStep exec(std::string text)
{
    return {JobStep::Exec, std::move(text), {}};
}

} // namespace

std::vector<JobStep> RefreshJob(const FolderSource &rlFolder, const std::string &masterFileName,
                                const std::vector<JobRow> &selected)
{
    std::vector<JobStep> steps{print("Actualisation des fichiers du projet"), print(std::string(36, '-')), print(""),
                               print("    * Mise \xE0 jour des tokens du projet ma\xEEtre"),
                               exec(rlFolder() + "rlman -m " + masterFileName)};
    for (const JobRow &row : selected) {
        steps.push_back(print(PaneText("    * Mise \xE0 jour des tokens du projet ").fileName(row.prjFile)));
        steps.push_back(exec(rlFolder() + "rlman -n " + row.langId + " " + row.langSubId + " -l " + row.prjFile + " " +
                             masterFileName + " " + row.tokenFileTag));
    }
    steps.push_back(print(""));
    steps.push_back(print("Op\xE9ration termin\xE9" "e ! "));
    return steps;
}

std::vector<JobStep> ExportJob(const FolderSource &rlFolder, const std::string &masterFirstLine,
                               const std::vector<JobRow> &selected)
{
    std::vector<JobStep> steps{print("Exporation des tokens vers des fichiers DLL"), print(std::string(42, '-')),
                               print("")};
    for (const JobRow &row : selected) {
        steps.push_back(print(PaneText("     - Exporatation des tokens vers  ").value(row.exeFileTag).inCodePage(row.codePage)));
        steps.push_back(exec(rlFolder() + "rlman -n " + row.langId + " " + row.langSubId + " -r " + masterFirstLine +
                             " " + row.tokenFileTag + " " + row.exeFileTag));
    }
    steps.push_back(print(""));
    steps.push_back(print("Op\xE9ration termin\xE9" "e ! "));
    return steps;
}

std::vector<JobStep> ImportJob(const FolderSource &rlFolder, const std::vector<JobRow> &selected)
{
    std::vector<JobStep> steps{print("Imporation des tokens contenus dans les fichiers DLL"),
                               print(std::string(52, '-')), print("")};
    for (const JobRow &row : selected) {
        steps.push_back(print(PaneText("     - Importation des tokens du fichier ").value(row.exeFileTag).inCodePage(row.codePage)));
        steps.push_back(exec(rlFolder() + "rlman -o " + row.langId + " " + row.langSubId + " -t " + row.exeFileTag +
                             " " + row.tokenFileTag));
    }
    steps.push_back(print(""));
    steps.push_back(print("Op\xE9ration termin\xE9" "e !"));
    return steps;
}

std::string BatchFileText(const std::string &commandLine)
{
    return "@ECHO OFF\r\necho " + commandLine + "\r\n" + commandLine + "\r\nif errorlevel == 1 pause\r\n";
}

std::vector<std::string> SplitCommandLine(const std::string &commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    while (i < n) {
        const char c = commandLine[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < n && commandLine[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && commandLine[i] == '"') {
                // 2n backslashes and a quote: n backslashes, the quote toggles;
                // 2n+1: n backslashes and a literal quote.
                word.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    word += '"';
                    ++i;
                }
            } else {
                word.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                word += '"'; // "" inside quotes is a literal quote
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word += c;
        ++i;
    }
    if (inWord)
        words.push_back(word);
    return words;
}
