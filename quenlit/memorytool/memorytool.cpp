#include "memorytool.h"

#include "memory/fileimport.h"
#include "memory/sqlitememory.h"
#include "memory/tmx.h"

#include "languagecodepage.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace {

struct Arguments
{
    std::string command;
    std::string memory;
    std::optional<LanguageId> language;
    std::optional<LanguageId> sourceLanguage;
    std::string output;
    int threshold = memory::kDefaultThreshold;
    std::size_t limit = 10;
    std::vector<std::string> operands;
};

std::optional<unsigned> number(const std::string &text, unsigned limit)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto value = static_cast<unsigned>(std::stoul(text));
    return value <= limit ? std::optional<unsigned>(value) : std::nullopt;
}

// Reads the arguments; the error, or empty.
std::string parse(const std::vector<std::string> &arguments, Arguments &parsed)
{
    bool operandsOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        auto value = [&](std::size_t count) -> bool { return i + count < arguments.size(); };
        if (operandsOnly || argument.empty() || argument[0] != '-' || argument == "-") {
            if (parsed.command.empty())
                parsed.command = argument;
            else
                parsed.operands.push_back(argument);
        } else if (argument == "--") {
            operandsOnly = true;
        } else if (argument == "--memory") {
            if (!value(1))
                return "--memory needs a file";
            parsed.memory = arguments[++i];
        } else if (argument == "--language" || argument == "--source-language") {
            if (!value(2))
                return argument + " needs two numbers: LANG SUBLANG";
            const auto primary = number(arguments[i + 1], 0x3FF);
            const auto sub = number(arguments[i + 2], 0x3F);
            if (!primary || !sub)
                return argument + " needs two numbers: LANG (0 to 1023) SUBLANG (0 to 63)";
            (argument == "--language" ? parsed.language : parsed.sourceLanguage) = LanguageId{*primary, *sub};
            i += 2;
        } else if (argument == "-o" || argument == "--output") {
            if (!value(1))
                return argument + " needs a file";
            parsed.output = arguments[++i];
        } else if (argument == "--threshold") {
            const auto threshold = value(1) ? number(arguments[i + 1], 100) : std::nullopt;
            if (!threshold)
                return "--threshold needs a score from 0 to 100";
            parsed.threshold = static_cast<int>(*threshold);
            ++i;
        } else if (argument == "--limit") {
            const auto limit = value(1) ? number(arguments[i + 1], 10000) : std::nullopt;
            if (!limit || *limit == 0)
                return "--limit needs a number from 1 to 10000";
            parsed.limit = *limit;
            ++i;
        } else if (argument == "--help" || argument == "-h") {
            parsed.command = "help";
        } else {
            return "unknown option " + argument;
        }
    }
    return {};
}

// A text on one line: the token escapes for backslash, tab and line ends.
std::string oneLine(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

int usageError(std::ostream &err, const std::string &message)
{
    err << "quenlit-memory: " << message << "\n" << "Try 'quenlit-memory --help'.\n";
    return 2;
}

int importFiles(memory::TranslationMemory &tm, const Arguments &arguments, std::ostream &out, std::ostream &err)
{
    if (arguments.operands.empty())
        return usageError(err, "import needs at least one file");
    memory::ImportOptions options;
    options.language = arguments.language;
    int status = 0;
    for (const std::string &file : arguments.operands) {
        const memory::ImportResult result = memory::ImportFile(tm, file, options);
        for (const memory::ReadError &warning : result.warnings)
            err << warning.text() << ": warning\n";
        if (result.error) {
            err << result.error->text() << "\n" << file << ": nothing imported\n";
            status = 1;
        } else if (!result.failure.empty()) {
            err << result.failure << "\n" << file << ": nothing imported\n";
            status = 1;
        } else {
            out << file << ": " << result.units << (result.units == 1 ? " unit\n" : " units\n");
        }
    }
    return status;
}

int exportUnits(memory::TranslationMemory &tm, const Arguments &arguments, std::ostream &out, std::ostream &err)
{
    if (!arguments.language)
        return usageError(err, "export needs --language LANG SUBLANG");
    if (!arguments.operands.empty())
        return usageError(err, "export takes no file but -o FILE");
    if (arguments.output.empty() || arguments.output == "-") {
        memory::TmxWriter writer(out);
        const std::string failure = tm.exportUnits(*arguments.language, [&](const memory::Unit &u) { writer.add(u); });
        writer.finish();
        if (!failure.empty()) {
            err << failure << "\n";
            return 1;
        }
        return 0;
    }
    // Written beside the file, then renamed over it: a failed export leaves it as it was.
    const std::string temporary = arguments.output + ".tmp-" + std::to_string(getpid());
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
        err << "quenlit-memory: can't write " << arguments.output << "\n";
        return 1;
    }
    std::string failure;
    {
        memory::TmxWriter writer(file);
        failure = tm.exportUnits(*arguments.language, [&](const memory::Unit &u) { writer.add(u); });
        writer.finish();
    }
    file.close();
    if (failure.empty() && (!file || std::rename(temporary.c_str(), arguments.output.c_str()) != 0))
        failure = "quenlit-memory: can't write " + arguments.output;
    if (!failure.empty()) {
        std::remove(temporary.c_str());
        err << failure << "\n";
        return 1;
    }
    return 0;
}

int lookup(memory::TranslationMemory &tm, const Arguments &arguments, std::ostream &out, std::ostream &err)
{
    if (!arguments.language)
        return usageError(err, "lookup needs --language LANG SUBLANG");
    if (arguments.operands.size() != 1)
        return usageError(err, "lookup needs one text");
    memory::LookupQuery query;
    query.text = arguments.operands.front();
    query.target = *arguments.language;
    query.source = arguments.sourceLanguage;
    query.threshold = arguments.threshold;
    query.limit = arguments.limit;
    std::string failure;
    const auto matches = tm.lookup(query, &failure);
    if (!failure.empty()) {
        err << failure << "\n";
        return 1;
    }
    for (const memory::Match &match : matches)
        out << match.score << '\t' << oneLine(match.unit.source) << '\t' << oneLine(match.unit.translation) << '\n';
    return 0;
}

int importTerms(memory::TranslationMemory &tm, const Arguments &arguments, std::ostream &out, std::ostream &err)
{
    if (!arguments.language)
        return usageError(err, "import-terms needs --language LANG SUBLANG");
    if (arguments.operands.empty())
        return usageError(err, "import-terms needs at least one file");
    int status = 0;
    for (const std::string &file : arguments.operands) {
        std::vector<memory::Term> terms;
        if (const auto error =
                memory::ReadTermFile(file, arguments.sourceLanguage.value_or(LanguageId{0, 0}), *arguments.language, terms)) {
            err << error->text() << "\n" << file << ": nothing imported\n";
            status = 1;
            continue;
        }
        const std::string failure = tm.addTerms(terms);
        if (!failure.empty()) {
            err << failure << "\n" << file << ": nothing imported\n";
            status = 1;
            continue;
        }
        out << file << ": " << terms.size() << (terms.size() == 1 ? " term\n" : " terms\n");
    }
    return status;
}

} // namespace

std::string MemoryToolUsage()
{
    return "Usage: quenlit-memory [--memory FILE] COMMAND ...\n"
           "  import [--language LANG SUBLANG] FILE...   add .tmx, .po, .prj and .obsolete files\n"
           "  export --language LANG SUBLANG [-o FILE]   write the units of a language as TMX 1.4b\n"
           "  lookup --language LANG SUBLANG [--source-language LANG SUBLANG]\n"
           "         [--threshold SCORE] [--limit N] TEXT  print SCORE<TAB>SOURCE<TAB>TRANSLATION, best first\n"
           "  import-terms --language LANG SUBLANG [--source-language LANG SUBLANG] FILE...\n"
           "                                             add the terms of .tbx and .csv files\n"
           "LANG SUBLANG are Windows language identifiers in decimal (French: 12 1).\n"
           "The memory is $XDG_DATA_HOME/Velmora Tamrix/memory.sqlite unless --memory names another.\n";
}

int RunMemoryTool(const std::vector<std::string> &argumentList, std::ostream &out, std::ostream &err)
{
    Arguments arguments;
    const std::string error = parse(argumentList, arguments);
    if (!error.empty())
        return usageError(err, error);
    if (arguments.command == "help") {
        out << MemoryToolUsage();
        return 0;
    }
    using Command = int (*)(memory::TranslationMemory &, const Arguments &, std::ostream &, std::ostream &);
    Command command = nullptr;
    if (arguments.command == "import")
        command = importFiles;
    else if (arguments.command == "export")
        command = exportUnits;
    else if (arguments.command == "lookup")
        command = lookup;
    else if (arguments.command == "import-terms")
        command = importTerms;
    else if (arguments.command.empty())
        return usageError(err, "no command");
    else
        return usageError(err, "unknown command " + arguments.command);

    const std::string path = arguments.memory.empty() ? memory::DefaultMemoryPath() : arguments.memory;
    memory::OpenedMemory opened = memory::OpenSqliteMemory(path);
    if (!opened.notice.empty())
        err << "quenlit-memory: " << opened.notice << "\n";
    if (!opened.memory) {
        err << "quenlit-memory: " << opened.failure << "\n";
        return 2;
    }
    return command(*opened.memory, arguments, out, err);
}
