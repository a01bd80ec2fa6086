// Token store throughput against plain reading and writing of the same bytes.
// Counters: "vs_raw" is the operation's throughput over the raw I/O's (1 = as
// fast as reading or writing the bytes), "held_over_files" the bytes a loaded
// pair of tables holds over the two files' sizes. The floors the opening stands
// on are measured in the same run: a plain read, the mapping the store uses,
// and a scan for line ends; "limit_ms" is the figure a run must stay under.
#include "filebytes.h"
#include "store/fileidentity.h"
#include "store/projectopen.h"
#include "store/journal.h"
#include "store/tokenchanges.h"
#include "store/tokenfile.h"
#include "tokengen.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Files
{
    std::string master;
    std::string project;
    std::size_t masterBytes = 0;
    std::size_t projectBytes = 0;
};

const Files &filesFor(std::size_t count)
{
    static std::map<std::size_t, Files> cache;
    auto it = cache.find(count);
    if (it != cache.end())
        return it->second;
    Files f;
    const fs::path dir = fs::temp_directory_path() / "tamrix-bench";
    fs::create_directories(dir);
    f.master = (dir / ("master-" + std::to_string(count) + ".tok")).string();
    f.project = (dir / ("project-" + std::to_string(count) + ".tok")).string();
    const std::string m = GenerateTokenFile(count, false);
    const std::string p = GenerateTokenFile(count, true);
    std::ofstream(f.master, std::ios::binary).write(m.data(), static_cast<std::streamsize>(m.size()));
    std::ofstream(f.project, std::ios::binary).write(p.data(), static_cast<std::streamsize>(p.size()));
    f.masterBytes = m.size();
    f.projectBytes = p.size();
    return cache.emplace(count, f).first->second;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The fastest of a few plain reads of the file into memory.
double rawReadSeconds(const std::string &path)
{
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        std::ifstream in(path, std::ios::binary);
        std::string bytes(fs::file_size(path), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
        best = std::min(best, seconds(Clock::now() - start));
    }
    return best;
}

double rawWriteSeconds(const std::string &bytes, const std::string &path)
{
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        best = std::min(best, seconds(Clock::now() - start));
    }
    return best;
}

// Runs `body` once an iteration and times it; reports the bytes an iteration
// handles and how it compares with `raw`, the seconds of the same bytes' plain
// read or write. Gives the seconds an iteration took on average.
template <typename Body>
double TimedAgainstRaw(benchmark::State &state, double raw, std::size_t bytes, Body body)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        body();
        total += seconds(Clock::now() - start);
    }
    const double each = total / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vs_raw"] = raw / each;
    return each;
}

void BM_RawRead(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::ifstream in(f.project, std::ios::binary);
        std::string bytes(f.projectBytes, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.projectBytes));
}

// The project file as the store takes it: its pages mapped (or read where the
// system gives no lease).
void BM_MappedRead(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TimedAgainstRaw(state, rawReadSeconds(f.project), f.projectBytes, [&] {
        FileBytes bytes;
        FileBytes::Load(f.project, bytes);
        benchmark::DoNotOptimize(bytes.view().data());
    });
}

// Counting the line ends of the mapped project file: the least a parse costs.
void BM_LineScan(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    FileBytes bytes;
    FileBytes::Load(f.project, bytes);
    const std::string_view view = bytes.view();
    for (auto _ : state) {
        std::size_t lines = 0;
        for (const char *p = view.data(), *end = view.data() + view.size();
             (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr; ++p)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.projectBytes));
}

// Both token files of a project read as an opening reads them (the master and
// its key index on a thread of their own, the project and its summary on this
// one), against a plain read of the two, one after the other.
void BM_ReadTokenFiles(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    const double raw = rawReadSeconds(f.master) + rawReadSeconds(f.project);
    TimedAgainstRaw(state, raw, f.masterBytes + f.projectBytes, [&] {
        ProjectData data;
        data.paths.masterTokenFile = f.master;
        data.paths.tokenFile = f.project;
        ReadTokenFiles(data);
        benchmark::DoNotOptimize(data.project.tokenCount());
        if (data.error != ProjectOpenError::None)
            state.SkipWithError("the files could not be read");
    });
}

// The parse alone, on one thread: the lines of the project file, its pages
// already mapped and read once, cut into rows. Bytes per second of processor
// time; "cycles_per_byte" needs no quiet machine to compare runs.
void BM_ParseTokens(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    std::string bytes;
    {
        std::ifstream in(f.project, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = bytes;
        TokenTable table;
        state.ResumeTiming();
        LoadTokens(std::move(copy), table);
        benchmark::DoNotOptimize(table.tokenCount());
        state.PauseTiming();
        table.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Read, parse and index a master token file.
void BM_LoadMaster(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TimedAgainstRaw(state, rawReadSeconds(f.master), f.masterBytes, [&] {
        TokenTable table;
        LoadTokenFile(f.master, table);
        table.buildKeyIndex();
        benchmark::DoNotOptimize(table.tokenCount());
    });
}

void BM_MasterToken(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TokenTable master;
    TokenTable project;
    LoadTokenFile(f.master, master);
    LoadTokenFile(f.project, project);
    master.buildKeyIndex();
    std::mt19937 random(1);
    const std::size_t n = project.tokenCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(MasterToken(master, project, 1 + random() % n).size());
    }
    state.counters["held_over_files"] =
        static_cast<double>(master.bytesHeld() + project.bytesHeld()) / static_cast<double>(f.masterBytes + f.projectBytes);
}

void BM_SaveProjectTokens(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TokenTable project;
    LoadTokenFile(f.project, project);
    const fs::path dir = fs::temp_directory_path() / "tamrix-bench" / "save";
    fs::create_directories(dir);
    const std::string target = (dir / "fr.tok").string();
    fs::copy_file(f.project, target, fs::copy_options::overwrite_existing);
    const double raw = rawWriteSeconds(FormatTokens(project), (dir / "raw.tok").string());
    const double each = TimedAgainstRaw(state, raw, f.projectBytes, [&] {
        const auto result = SaveProjectTokens(target, project);
        if (!result.ok())
            state.SkipWithError(result.message.c_str());
    });
    state.counters["ms"] = 1000 * each;
    state.counters["limit_ms"] = 100;
}

// A committed change on a project: the text and status of a row are set, as the
// editor does on Enter. Without the journal: the cost before the journal came.
void BM_CommitWithoutJournal(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TokenTable project;
    LoadTokenFile(f.project, project);
    std::mt19937 random(2);
    const std::size_t n = project.tokenCount();
    for (auto _ : state) {
        const std::size_t row = 1 + random() % n;
        project.setCell(row, ColText, "Texte traduit");
        project.setCell(row, ColStatus, "4");
    }
}

// The same change, described (key, master text) and appended to the journal,
// which hands it to the system at once.
void BM_CommitWithJournal(benchmark::State &state)
{
    const Files &f = filesFor(static_cast<std::size_t>(state.range(0)));
    TokenTable master;
    TokenTable project;
    LoadTokenFile(f.master, master);
    LoadTokenFile(f.project, project);
    master.buildKeyIndex();
    const fs::path dir = fs::temp_directory_path() / "tamrix-bench" / "journal";
    fs::remove_all(dir);
    Journal journal(dir.string());
    journal.begin(f.project, IdentityOf(f.project));
    std::mt19937 random(2);
    const std::size_t n = project.tokenCount();
    for (auto _ : state) {
        const std::size_t row = 1 + random() % n;
        project.setCell(row, ColText, "Texte traduit");
        project.setCell(row, ColStatus, "4");
        if (journal.append(DescribeChange(project, master, row, true)) != 0)
            state.SkipWithError("the journal could not be written");
    }
    journal.discard();
}

// The write to the disk that follows changes at most once a second.
void BM_JournalFlush(benchmark::State &state)
{
    const fs::path dir = fs::temp_directory_path() / "tamrix-bench" / "journal-flush";
    fs::remove_all(dir);
    Journal journal(dir.string());
    journal.begin("/tmp/fr.tok", {});
    TokenChange change;
    change.row = 1;
    change.textChanged = true;
    change.text = "Texte traduit";
    change.status = "4";
    for (auto _ : state) {
        journal.append(change);
        journal.flush();
    }
    journal.discard();
}

// The check at save: has the token file changed on disk since it was read?
void BM_ChangedOnDiskCheck(benchmark::State &state)
{
    const Files &f = filesFor(1000000);
    const FileIdentity known = IdentityOf(f.project);
    for (auto _ : state)
        benchmark::DoNotOptimize(IdentityOf(f.project) != known);
}

// Other programs share the machine: each benchmark runs five times and the best
// run counts.
double best(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_CommitWithoutJournal)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ComputeStatistics("best", best);
BENCHMARK(BM_CommitWithJournal)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ComputeStatistics("best", best);
BENCHMARK(BM_JournalFlush)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ComputeStatistics("best", best);
BENCHMARK(BM_ChangedOnDiskCheck)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ComputeStatistics("best", best);
BENCHMARK(BM_RawRead)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MappedRead)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineScan)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTokenFiles)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseTokens)->Arg(1000000)->Unit(benchmark::kMillisecond)->Repetitions(3)->ComputeStatistics("best", best);
BENCHMARK(BM_LoadMaster)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterToken)->Arg(32767)->Arg(1000000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_SaveProjectTokens)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
