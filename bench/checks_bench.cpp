// The checks, the suggestions and quenlit-check on a million-token project whose
// texts carry what the checks look at: access keys, shortcuts, placeholders, line
// feeds and closing marks, with a fault in one token in 47.
#include "check/checkrun.h"
#include "checks/checks.h"
#include "codepage.h"
#include "checks/suggestions.h"
#include "memory/sqlitememory.h"
#include "tokengen.h"
#include "tokenio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Gives the generated texts the features of real resources. The same row of the
// master and the project gets the same features; `faults` drops some in the project.
std::string Enrich(const std::string &file, bool faults)
{
    std::string out;
    out.reserve(file.size() + file.size() / 4);
    std::size_t row = 0;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        std::string line = file.substr(start, end - start);
        start = end + 2;
        ++row;
        const std::size_t eq = line.find("]]=");
        std::string text = line.substr(eq + 3);
        const char type = line[2];
        const bool fault = faults && row % 47 == 0;
        if (type == '4' || type == '5') {
            if (!fault)
                text.insert(row % 4, 1, '&');
            if (type == '4' && row % 3 == 0)
                text += fault ? "..." : "...\\tCtrl+" + std::string(1, static_cast<char>('A' + row % 26));
        } else if (type == '6') {
            if (row % 4 == 0)
                text += fault ? " %d" : " %s";
            if (row % 5 == 0)
                text += fault ? ":" : "\\nOK?";
        }
        out += line.substr(0, eq + 3) + text + "\r\n";
    }
    return out;
}

struct Project
{
    std::string folder;
    std::string prj;
    TokenTable master;
    TokenTable project;
    Project()
    {
        folder = (fs::temp_directory_path() / "tamrix-checks-bench").string();
        fs::create_directories(folder);
        prj = folder + "/big.prj";
        const std::string m = Enrich(GenerateTokenFile(1000000, false), false);
        const std::string p = Enrich(GenerateTokenFile(1000000, true), true);
        std::ofstream(prj, std::ios::binary) << "big.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n";
        std::ofstream(folder + "/big.mpj", std::ios::binary) << "big.dll\r\nbig.tok\r\n";
        std::ofstream(folder + "/big.tok", std::ios::binary) << m;
        std::ofstream(folder + "/fr.tok", std::ios::binary) << p;
        LoadTokens(m, master);
        LoadTokens(p, project);
        master.buildKeyIndex();
    }
};

Project &project()
{
    static Project p;
    return p;
}

void BM_AllChecks(benchmark::State &state)
{
    Project &p = project();
    ProjectChecks checks;
    for (auto _ : state) {
        checks.reset(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
        checks.run();
    }
    state.counters["errors"] = static_cast<double>(checks.counts().errors);
    state.counters["warnings"] = static_cast<double>(checks.counts().warnings);
    state.counters["infos"] = static_cast<double>(checks.counts().infos);
}

// The slices a window does between events: 20,000 rows each.
void BM_ChecksInSlices(benchmark::State &state)
{
    Project &p = project();
    ProjectChecks checks;
    for (auto _ : state) {
        checks.reset(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
        for (std::size_t first = 1; first <= checks.rowCount(); first += 20000)
            checks.checkRows(first, first + 19999);
        checks.checkClashes();
    }
}

void BM_RecheckOneRow(benchmark::State &state)
{
    Project &p = project();
    ProjectChecks checks;
    checks.reset(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
    checks.run();
    std::size_t row = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(checks.recheck(row));
        row = row % 999983 + 7919;
    }
}

void BM_SuggestionIndex(benchmark::State &state)
{
    Project &p = project();
    SuggestionIndex index;
    for (auto _ : state)
        index.build(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
}

void BM_SuggestionsForOneRow(benchmark::State &state)
{
    Project &p = project();
    SuggestionIndex index;
    index.build(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
    std::size_t row = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.suggestionsFor(row));
        row = row % 999983 + 7919;
    }
}

void BM_ProposeFill(benchmark::State &state)
{
    Project &p = project();
    SuggestionIndex index;
    index.build(&p.master, &p.project, CodePage::windows1252(), CodePage::windows1252());
    std::size_t changes = 0;
    for (auto _ : state)
        changes = ProposeFill(index).size();
    state.counters["changes"] = static_cast<double>(changes);
}

// The whole program: opening the project, every check, the report.
void BM_QuenlitCheck(benchmark::State &state)
{
    Project &p = project();
    const auto here = fs::current_path();
    std::size_t lines = 0;
    for (auto _ : state) {
        std::ostringstream out, err;
        RunChecker({p.prj}, out, err);
        const std::string report = out.str();
        lines = static_cast<std::size_t>(std::count(report.begin(), report.end(), '\n'));
        fs::current_path(here);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

// The same with the spelling check (a dictionary of the generated words, made
// here) and the glossary check (two terms, in a memory made here).
void BM_QuenlitCheckSpellingGlossary(benchmark::State &state)
{
    Project &p = project();
    const auto here = fs::current_path();
    const std::string dicts = p.folder + "/dicts";
    fs::create_directories(dicts);
    std::ofstream(dicts + "/fr_FR.aff") << "SET UTF-8\n";
    std::ofstream(dicts + "/fr_FR.dic") << "14\nouvrir\nfichier\nenregistrer\nfen\xC3\xAAtre\naide\nquitter\n"
                                           "\xC3\xA9" "dition\noptions\nannuler\npropri\xC3\xA9t\xC3\xA9s\nimprimer\n"
                                           "rechercher\noutils\nok\n";
    setenv("XDG_DATA_HOME", (p.folder + "/data").c_str(), 1);
    const std::string db = p.folder + "/memory.sqlite";
    memory::OpenSqliteMemory(db).memory->addTerms(
        {{"file", "fichier", "", {0, 0}, {12, 1}}, {"save", "enregistrer", "", {0, 0}, {12, 1}}});
    std::size_t lines = 0;
    for (auto _ : state) {
        std::ostringstream out, err;
        RunChecker({"--spelling", "--dictionaries", dicts, "--glossary", "--memory", db, p.prj}, out, err);
        const std::string report = out.str();
        lines = static_cast<std::size_t>(std::count(report.begin(), report.end(), '\n'));
        fs::current_path(here);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

BENCHMARK(BM_AllChecks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ChecksInSlices)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecheckOneRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SuggestionIndex)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SuggestionsForOneRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProposeFill)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QuenlitCheck)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QuenlitCheckSpellingGlossary)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
