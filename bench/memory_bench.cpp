// The translation memory at a million units: importing a TMX of that size,
// looking texts up (exact and fuzzy), and adding the units of a saved project.
// Texts are made of a vocabulary of 20,000 words drawn as a natural language
// draws them (a few words very often, most rarely), 1 to 12 words each.
#include "memory/projectunits.h"
#include "memory/sqlitememory.h"
#include "memory/tmx.h"

#include "tokenline.h"
#include "tokentable.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kUnits = 1000000;

class TextMaker
{
public:
    explicit TextMaker(unsigned seed) : m_random(seed)
    {
        static const char *const syllables[] = {"ka", "lo", "mi", "ne", "pu", "ra", "si", "to", "ve", "zu",
                                                "an", "el", "or", "us", "ti", "de", "fo", "gra", "ble", "ment"};
        std::mt19937 words(7);
        std::vector<double> weights;
        for (int i = 0; i < 20000; ++i) {
            std::string word;
            const int count = 1 + static_cast<int>(words() % 4);
            for (int k = 0; k < count; ++k)
                word += syllables[words() % 20];
            m_words.push_back(word);
            weights.push_back(1.0 / (i + 1));
        }
        m_pick = std::discrete_distribution<int>(weights.begin(), weights.end());
    }

    std::string text()
    {
        const int count = 1 + static_cast<int>(m_random() % 6) + static_cast<int>(m_random() % 7);
        std::string out;
        for (int k = 0; k < count; ++k) {
            if (k > 0)
                out += ' ';
            out += m_words[static_cast<std::size_t>(m_pick(m_random))];
        }
        if (m_random() % 3 == 0)
            out.insert(0, "&");
        return out;
    }

    // The text with one word replaced: a fuzzy match of it.
    std::string variant(const std::string &text)
    {
        std::string out = text;
        const std::size_t blank = out.find(' ');
        if (blank == std::string::npos)
            return out + "s";
        const std::size_t next = out.find(' ', blank + 1);
        return out.substr(0, blank) + " " + m_words[m_random() % 200] + (next == std::string::npos ? "" : out.substr(next));
    }

    static std::string translate(const std::string &text) { return std::string(text.rbegin(), text.rend()); }

private:
    std::mt19937 m_random;
    std::vector<std::string> m_words;
    std::discrete_distribution<int> m_pick;
};

fs::path benchFolder()
{
    const fs::path folder = fs::temp_directory_path() / "tamrix-memory-bench";
    fs::create_directories(folder);
    return folder;
}

// A TMX file of `count` units into French, made once.
fs::path tmxFile(std::size_t count)
{
    const fs::path path = benchFolder() / ("units-" + std::to_string(count) + ".tmx");
    if (fs::exists(path))
        return path;
    std::ofstream out(path, std::ios::binary);
    memory::TmxWriter writer(out);
    TextMaker maker(1);
    memory::Unit unit;
    unit.sourceLanguage = {9, 1};
    unit.targetLanguage = {12, 1};
    unit.origin.project = "/home/translator/notepad/fr.prj";
    unit.origin.resourceType = "6";
    for (std::size_t i = 0; i < count; ++i) {
        unit.source = maker.text();
        unit.translation = TextMaker::translate(unit.source);
        unit.origin.place = std::to_string(i / 16) + "|" + std::to_string(i) + "|0|";
        unit.origin.time = 1700000000 + static_cast<std::int64_t>(i);
        writer.add(unit);
    }
    return path;
}

std::unique_ptr<memory::TranslationMemory> openFresh(const fs::path &path)
{
    for (const char *suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    return std::move(memory::OpenSqliteMemory(path.string()).memory);
}

// The memory of a million units, imported once from the TMX.
memory::TranslationMemory &millionMemory()
{
    static std::unique_ptr<memory::TranslationMemory> memory = [] {
        const fs::path path = benchFolder() / "million.sqlite";
        const fs::path done = benchFolder() / "million.done";
        if (fs::exists(done))
            return std::move(memory::OpenSqliteMemory(path.string()).memory);
        auto fresh = openFresh(path);
        const fs::path tmx = tmxFile(kUnits);
        fresh->import([&](memory::UnitSink &sink) {
            std::ifstream in(tmx, std::ios::binary);
            return memory::ReadTmx(in, tmx.string(), sink);
        });
        std::ofstream{done};
        return fresh;
    }();
    return *memory;
}

void ImportTmxMillion(benchmark::State &state)
{
    const fs::path tmx = tmxFile(kUnits);
    for (auto _ : state) {
        auto memory = openFresh(benchFolder() / "import.sqlite");
        const auto result = memory->import([&](memory::UnitSink &sink) {
            std::ifstream in(tmx, std::ios::binary);
            return memory::ReadTmx(in, tmx.string(), sink);
        });
        if (!result.ok() || result.units != kUnits)
            state.SkipWithError("import failed");
    }
    state.counters["units"] = kUnits;
}
BENCHMARK(ImportTmxMillion)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Texts looked up: those of the memory (exact) or with one word changed (fuzzy).
void Lookup(benchmark::State &state)
{
    memory::TranslationMemory &tm = millionMemory();
    const bool fuzzy = state.range(0) != 0;
    TextMaker maker(1); // the texts of the TMX, in its order
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < 2000; ++i) {
        texts.push_back(maker.text());
    }
    TextMaker changer(3);
    std::size_t i = 0, found = 0, matches = 0;
    for (auto _ : state) {
        memory::LookupQuery query;
        query.text = fuzzy ? changer.variant(texts[i % texts.size()]) : texts[i % texts.size()];
        query.target = {12, 1};
        const auto result = tm.lookup(query);
        found += result.empty() ? 0 : 1;
        matches += result.size();
        ++i;
    }
    state.counters["found"] = benchmark::Counter(static_cast<double>(found) / static_cast<double>(i));
    state.counters["matches"] = benchmark::Counter(static_cast<double>(matches) / static_cast<double>(i));
}
BENCHMARK(Lookup)->Arg(0)->Arg(1)->ArgName("fuzzy")->Unit(benchmark::kMillisecond);

// A project table of `count` translated tokens and its master.
struct SavedProject
{
    TokenTable master, project;
};

SavedProject &savedProject(std::size_t count)
{
    static std::map<std::size_t, SavedProject> projects;
    SavedProject &p = projects[count];
    if (p.project.tokenCount() == count)
        return p;
    TextMaker maker(5);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string text = maker.text();
        const std::string key = "6|" + std::to_string(i / 16) + "|" + std::to_string(i) + "|0|";
        const std::string masterLine = "[[" + key + "1|]]=" + text;
        const std::string projectLine = "[[" + key + "4|]]=" + TextMaker::translate(text);
        TokenLineLayout layout;
        ParseTokenLine(masterLine, layout);
        p.master.appendLine(masterLine, layout);
        ParseTokenLine(projectLine, layout);
        p.project.appendLine(projectLine, layout);
    }
    p.master.buildKeyIndex();
    return p;
}

// The units of a save written to a memory that holds them already (every save
// but the first) or does not (the first save): the work the save's thread does.
void AddSavedUnits(benchmark::State &state)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const bool first = state.range(1) != 0;
    SavedProject &p = savedProject(count);
    const memory::ProjectLanguages languages{{9, 1}, {12, 1}, 1252, 1252};
    const fs::path path = benchFolder() / "save.sqlite";
    auto tm = openFresh(path);
    struct Collect : memory::UnitSink
    {
        std::vector<memory::Unit> units;
        void add(const memory::Unit &unit) override { units.push_back(unit); }
    };
    {
        Collect collect;
        memory::CollectProjectUnits(p.master, p.project, languages, "/p/fr.prj", 1, collect);
        tm->add(collect.units);
    }
    for (auto _ : state) {
        if (first) {
            state.PauseTiming();
            tm = openFresh(path);
            state.ResumeTiming();
        }
        Collect collect;
        memory::CollectProjectUnits(p.master, p.project, languages, "/p/fr.prj", 2, collect);
        if (!tm->add(collect.units).empty())
            state.SkipWithError("add failed");
    }
    state.counters["units"] = static_cast<double>(count);
}
BENCHMARK(AddSavedUnits)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({1000000, 0})
    ->ArgNames({"tokens", "first"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
