#include "check/checkrun.h"

#include "checks/lookups.h"
#include "codepage.h"
#include "datafolder.h"
#include "languagecodepage.h"
#include "memory/glossary.h"
#include "memory/projectunits.h"
#include "memory/sqlitememory.h"
#include "outils.h"
#include "projectfiles.h"
#include "store/projectopen.h"
#include "textlines.h"
#include "tokenline.h"
#include "spelling/speller.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace {

const char kUsage[] = "usage: quenlit-check [--only ID,...] [--min-level info|warning|error]\n"
                      "                     [--spelling [--dictionaries DIR]] [--glossary [--memory FILE]] "
                      "LANGUAGE.prj\n";

class BadLineCounter : public TokenLoadObserver
{
public:
    void badToken(std::size_t, std::string_view) override { ++count; }
    std::size_t count = 0;
};

bool isAbsolute(const std::string &path)
{
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() >= 2 && path[1] == ':');
}

// A token file's path as the user can open it from where the checker was started:
// a relative path is taken in the language project's folder.
std::string shownPath(const std::string &projectArgument, const std::string &path)
{
    if (isAbsolute(path) || projectArgument.find_first_of(":/\\") == std::string::npos)
        return path;
    return outils::ExtractPath(projectArgument) + path;
}

std::string plural(std::size_t n, const char *word)
{
    return std::to_string(n) + ' ' + word + (n == 1 ? "" : "s");
}

void reportBadLines(std::string_view bytes, const std::string &shown, std::ostream &err)
{
    LineSplitter lines(bytes);
    std::string_view line;
    std::size_t number = 0;
    while (lines.next(line)) {
        ++number;
        TokenLineLayout layout;
        if (ParseTokenLine(line, layout) == TokenLineStatus::Bad)
            err << shown << ':' << number << ": Bad token !\n";
    }
}

// The known words of the project's language, or nothing (and why, on `err`).
std::unique_ptr<SpellerWords> knownWords(const CheckOptions &options, const ProjectData &data, std::ostream &err)
{
    const auto language = ParseLanguageLine(data.languageLine);
    if (!language) {
        err << "quenlit-check: the project names no language (line 6): no spelling check\n";
        return nullptr;
    }
    const auto dictionary = spelling::FindDictionary(
        *language, options.dictionaryFolders.empty() ? spelling::DefaultDictionaryFolders() : options.dictionaryFolders);
    if (!dictionary) {
        err << spelling::NoDictionaryMessage(*language) << '\n';
        return nullptr;
    }
    std::string failure;
    std::shared_ptr<spelling::Speller> speller(spelling::Speller::open(
        *dictionary, spelling::PersonalWordListPath(UserDataFolder(), *language), &failure));
    if (!speller) {
        err << "quenlit-check: " << failure << '\n';
        return nullptr;
    }
    return std::make_unique<SpellerWords>(std::move(speller));
}

// The glossary of the project's languages in the translation memory, or
// nothing (and why, on `err`). A memory that is not there is not made.
std::unique_ptr<GlossaryTerms> glossaryTerms(const CheckOptions &options, const std::string &project,
                                             std::ostream &err)
{
    memory::ReadError error;
    const auto files = memory::ReadProjectFiles(project, error);
    if (!files) {
        err << "quenlit-check: " << error.text() << ": no glossary check\n";
        return nullptr;
    }
    const std::string path = options.memory.empty() ? memory::DefaultMemoryPath() : options.memory;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        err << "quenlit-check: no translation memory " << path << ": no glossary check\n";
        return nullptr;
    }
    memory::OpenedMemory opened = memory::OpenSqliteMemory(path);
    if (!opened.notice.empty())
        err << "quenlit-check: " << opened.notice << '\n';
    if (!opened.memory) {
        err << "quenlit-check: " << opened.failure << ": no glossary check\n";
        return nullptr;
    }
    std::string failure;
    auto terms = opened.memory->terms(files->languages.source, files->languages.target, &failure);
    if (!failure.empty()) {
        err << "quenlit-check: " << failure << ": no glossary check\n";
        return nullptr;
    }
    return std::make_unique<GlossaryTerms>(std::make_shared<const memory::Glossary>(terms));
}

} // namespace

std::vector<std::size_t> RowLines(std::string_view fileBytes)
{
    std::vector<std::size_t> rows{0};
    LineSplitter lines(fileBytes);
    std::string_view line;
    std::size_t number = 0;
    while (lines.next(line)) {
        ++number;
        TokenLineLayout layout;
        if (ParseTokenLine(line, layout) == TokenLineStatus::Ok)
            rows.push_back(number);
    }
    return rows;
}

ParsedArguments ParseCheckArguments(const std::vector<std::string> &args)
{
    ParsedArguments parsed;
    CheckOptions options;
    bool haveProject = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (a == "--spelling" || a == "--glossary") {
            (a == "--spelling" ? options.spelling : options.glossary) = true;
            continue;
        }
        if (a == "--only" || a == "--min-level" || a == "--dictionaries" || a == "--memory") {
            if (i + 1 == args.size()) {
                parsed.error = a + " needs a value";
                return parsed;
            }
            const std::string &value = args[++i];
            if (a == "--dictionaries") {
                options.dictionaryFolders.push_back(value);
                continue;
            }
            if (a == "--memory") {
                options.memory = value;
                continue;
            }
            if (a == "--min-level") {
                const auto level = LevelFromName(value);
                if (!level) {
                    parsed.error = "unknown level \"" + value + "\" (info, warning or error)";
                    return parsed;
                }
                options.minLevel = *level;
                continue;
            }
            options.only = 0;
            std::size_t start = 0;
            while (start <= value.size()) {
                const std::size_t comma = std::min(value.find(',', start), value.size());
                const std::string name = value.substr(start, comma - start);
                const auto id = CheckFromName(name);
                if (!id) {
                    parsed.error = "unknown check \"" + name + "\"";
                    return parsed;
                }
                options.only |= MaskOf(*id);
                start = comma + 1;
            }
            // Naming them asks for them.
            options.spelling = options.spelling || (options.only & MaskOf(CheckId::Spelling));
            options.glossary = options.glossary || (options.only & MaskOf(CheckId::Glossary));
            continue;
        }
        if (a == "--") {
            // What follows is the project, even if it begins with "-".
            if (i + 2 != args.size() || haveProject) {
                parsed.error = "one language project after --";
                return parsed;
            }
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            parsed.error = "unknown option " + a;
            return parsed;
        }
        if (haveProject) {
            parsed.error = "one language project only";
            return parsed;
        }
        options.project = args[i];
        haveProject = true;
    }
    if (!haveProject) {
        parsed.error = "no language project given";
        return parsed;
    }
    parsed.options = options;
    return parsed;
}

int RunChecker(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const ParsedArguments parsed = ParseCheckArguments(args);
    if (parsed.help) {
        out << kUsage << "checks: ";
        for (int i = 0; i < kCheckCount; ++i)
            out << (i ? ", " : "") << CheckName(static_cast<CheckId>(i));
        out << '\n';
        return 0;
    }
    if (!parsed.options) {
        err << "quenlit-check: " << parsed.error << '\n' << kUsage;
        return 2;
    }
    const CheckOptions &options = *parsed.options;

    // Opening the project changes the current directory, after which a relative
    // project path would no longer lead to it.
    std::error_code ec;
    std::string path = options.project;
    const auto absolute = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (!ec)
        path = absolute.string();
    BadLineCounter badLines;
    ProjectData data = ReadProject(path, &badLines);
    if (data.error != ProjectOpenError::None) {
        err << data.message << '\n';
        return 2;
    }
    const std::string tokenFile = shownPath(options.project, data.paths.tokenFile);
    std::vector<std::size_t> lines;
    if (badLines.count) {
        reportBadLines(data.master.buffer(), shownPath(options.project, data.paths.masterTokenFile), err);
        reportBadLines(data.project.buffer(), tokenFile, err);
        lines = RowLines(data.project.buffer());
    }

    MenuLevels levels = MenuLevels::ForMasterProject(data.paths.masterProject, data.master);

    ProjectChecks checks;
    // Each token file in its own code page, as the opening found them.
    const std::unique_ptr<SpellerWords> words = options.spelling ? knownWords(options, data, err) : nullptr;
    const std::unique_ptr<GlossaryTerms> terms = options.glossary ? glossaryTerms(options, path, err) : nullptr;
    checks.setKnownWords(words.get());
    checks.setTerms(terms.get());
    checks.reset(&data.master, &data.project, CodePage::get(data.masterCodePage), CodePage::get(data.projectCodePage),
                 std::move(levels));
    checks.run();

    LevelCounts shown;
    std::string buffer;
    for (std::size_t row = 1; row <= checks.rowCount(); ++row) {
        if (!(checks.fired(row) & options.only))
            continue;
        for (const Finding &f : checks.findings(row)) {
            const CheckLevel level = LevelOf(f.id);
            if (!(options.only & MaskOf(f.id)) || level < options.minLevel)
                continue;
            shown.add(MaskOf(f.id));
            buffer += tokenFile;
            buffer += ':';
            buffer += std::to_string(lines.empty() ? row : lines[row]);
            buffer += ": ";
            buffer += LevelName(level);
            buffer += ": [";
            buffer += CheckName(f.id);
            buffer += "] ";
            buffer += f.message;
            buffer += '\n';
        }
        if (buffer.size() > (1 << 16)) {
            out << buffer;
            buffer.clear();
        }
    }
    out << buffer << plural(shown.errors, "error") << ", " << plural(shown.warnings, "warning") << ", "
        << plural(shown.infos, "info") << '\n';
    out.flush();
    return shown.errors ? 1 : 0;
}
