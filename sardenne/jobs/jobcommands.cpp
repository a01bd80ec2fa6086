#include "jobcommands.h"

#include "outils.h"

#include <cstdio>
#include <initializer_list>

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

// A word of a command, and what the pane calls it when it cannot be carried
// (none for our own option words).
struct Word
{
    std::string value;
    const char *what = nullptr;
};

// The command line of the words, or, in `refusal`, why it cannot be run.
std::string commandLine(std::initializer_list<Word> words, std::string &refusal)
{
    std::string line;
    for (const Word &w : words) {
        const ArgumentProblem problem = ArgumentProblemOf(w.value);
        if (problem != ArgumentProblem::None) {
            refusal = std::string(w.what) + " contient " +
                      (problem == ArgumentProblem::ControlByte
                           ? "un caract\xE8re de contr\xF4le"
                           : "un guillemet (\"), que la ligne de commande ne peut pas transmettre");
            return {};
        }
        if (!line.empty())
            line += ' ';
        line += BatchArgument(w.value);
    }
    return line;
}

const char kFolder[] = "le dossier des RLTools";
const char kMasterName[] = "le nom du projet ma\xEEtre";
const char kLanguageLine[] = "sa ligne de langue (ligne 6)";
const char kTokenFile[] = "son fichier token (ligne 2)";
const char kTargetFile[] = "son fichier cible (ligne 7)";

// The row's progress line and command, or the line that says why it has none.
void addRow(std::vector<JobStep> &steps, const JobRow &row, PaneText progress, std::initializer_list<Word> words,
            const PaneText *warning = nullptr)
{
    std::string refusal;
    std::string line = commandLine(words, refusal);
    if (!refusal.empty()) {
        steps.push_back(print(PaneText("    ! Projet ")
                                  .fileName(row.prjFile)
                                  .fixed(" ignor\xE9 : " + refusal)
                                  .inCodePage(row.codePage)));
        return;
    }
    steps.push_back(print(std::move(progress)));
    if (warning)
        steps.push_back(print(*warning));
    steps.push_back(exec(std::move(line)));
}

} // namespace

std::vector<JobStep> RefreshJob(const FolderSource &rlFolder, const std::string &masterFileName,
                                const std::vector<JobRow> &selected)
{
    std::vector<JobStep> steps{print("Actualisation des fichiers du projet"), print(std::string(36, '-')), print(""),
                               print("    * Mise \xE0 jour des tokens du projet ma\xEEtre")};
    std::string refusal;
    std::string master = commandLine({{rlFolder() + "rlman", kFolder}, {"-m"}, {masterFileName, kMasterName}}, refusal);
    steps.push_back(refusal.empty() ? exec(std::move(master))
                                    : print("    ! Commande ignor\xE9" "e : " + refusal));
    for (const JobRow &row : selected) {
        addRow(steps, row, PaneText("    * Mise \xE0 jour des tokens du projet ").fileName(row.prjFile),
               {{rlFolder() + "rlman", kFolder},
                {"-n"},
                {row.langId, kLanguageLine},
                {row.langSubId, kLanguageLine},
                {"-l"},
                {row.prjFile, "son nom"},
                {masterFileName, kMasterName},
                {row.tokenFileTag, kTokenFile}});
    }
    steps.push_back(print(""));
    steps.push_back(print("Op\xE9ration termin\xE9" "e ! "));
    return steps;
}

std::vector<JobStep> ExportJob(const FolderSource &rlFolder, const std::string &masterFirstLine,
                               const std::vector<JobRow> &selected, const std::string &masterFolder)
{
    std::vector<JobStep> steps{print("Exporation des tokens vers des fichiers DLL"), print(std::string(42, '-')),
                               print("")};
    for (const JobRow &row : selected) {
        // rlman writes there all the same, and says so too.
        const PaneText outside = PaneText("       ! Attention : le fichier cible ")
                                     .value(row.exeFileTag)
                                     .fixed(" est hors du dossier du projet ma\xEEtre")
                                     .inCodePage(row.codePage);
        const bool within = outils::LiesWithinFolder(masterFolder, row.exeFileTag);
        addRow(steps, row,
               PaneText("     - Exporatation des tokens vers  ").value(row.exeFileTag).inCodePage(row.codePage),
               {{rlFolder() + "rlman", kFolder},
                {"-n"},
                {row.langId, kLanguageLine},
                {row.langSubId, kLanguageLine},
                {"-r"},
                {masterFirstLine, "le fichier source du projet ma\xEEtre (sa ligne 1)"},
                {row.tokenFileTag, kTokenFile},
                {row.exeFileTag, kTargetFile}},
               within ? nullptr : &outside);
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
        addRow(steps, row,
               PaneText("     - Importation des tokens du fichier ").value(row.exeFileTag).inCodePage(row.codePage),
               {{rlFolder() + "rlman", kFolder},
                {"-o"},
                {row.langId, kLanguageLine},
                {row.langSubId, kLanguageLine},
                {"-t"},
                {row.exeFileTag, kTargetFile},
                {row.tokenFileTag, kTokenFile}});
    }
    steps.push_back(print(""));
    steps.push_back(print("Op\xE9ration termin\xE9" "e !"));
    return steps;
}

ArgumentProblem ArgumentProblemOf(std::string_view value)
{
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return ArgumentProblem::ControlByte;
    }
    return value.find('"') == std::string_view::npos ? ArgumentProblem::None : ArgumentProblem::Quote;
}

std::string BatchArgument(std::string_view value)
{
    if (value.find_first_of(" &|<>^%\"") == std::string_view::npos)
        return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    const std::size_t last = value.find_last_not_of('\\');
    const std::size_t trailing = last == std::string_view::npos ? value.size() : value.size() - last - 1;
    quoted.append(trailing, '\\');
    return quoted + '"';
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

BatchLine ReadBatchLine(std::string_view line)
{
    BatchLine read;
    auto refuse = [&read](std::string reason) {
        read.refused = true;
        read.reason = std::move(reason);
        read.text.clear();
        return read;
    };
    // Percent signs first: the interpreter reads them before it looks at quotes.
    std::string halved;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", c);
            return refuse(std::string("caract\xE8re de contr\xF4le ") + code);
        }
        if (c == '%') {
            if (i + 1 < line.size() && line[i + 1] == '%') {
                halved += '%';
                ++i;
                continue;
            }
            return refuse("% seul (variable ou param\xE8tre) non pris en charge");
        }
        halved += static_cast<char>(c);
    }
    bool quoted = false;
    for (std::size_t i = 0; i < halved.size(); ++i) {
        const char c = halved[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '^') {
            if (++i == halved.size())
                return refuse("^ en fin de ligne (suite sur la ligne suivante) non pris en charge");
            read.text += halved[i];
            continue;
        } else if (!quoted && (c == '&' || c == '|' || c == '<' || c == '>')) {
            return refuse(std::string(1, c) +
                          " hors guillemets (encha\xEEnement, tube ou redirection) non pris en charge");
        }
        read.text += c;
    }
    return read;
}
