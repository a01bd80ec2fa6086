// rlman's work on a large DLL: 10,000 strings, 200 menus and 200 dialogs.
// BM_MasterUpdate is "rlman -m", BM_ProjectUpdate "rlman -l", BM_Export "rlman -r",
// each with its file reading and writing.
//
// BM_ExportReal/NAME is "rlman -r" on the largest real programs, Wine's mshtml
// and shell32 (64 and 32-bit), every text translated, when
// scripts/check-real-binaries has left them in its cache folder
// (TAMRIX_REAL_BINARIES, by default ~/.cache/tamrix-real-binaries); without
// them these cases are not run.
#include "atomicfile.h"
#include "pewriter.h"
#include "reswriter.h"
#include "restokens.h"
#include "textlines.h"
#include "tokenio.h"
#include "tokenmerge.h"
#include "tokenrefresh.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Bytes
{
    std::vector<std::uint8_t> b;
    void u16(std::uint16_t v)
    {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void sz(const std::string &s)
    {
        for (char c : s)
            u16(static_cast<unsigned char>(c));
        u16(0);
    }
    void align4()
    {
        while (b.size() % 4)
            b.push_back(0);
    }
};

std::vector<Resource> bigResources()
{
    std::vector<Resource> out;
    for (int m = 1; m <= 200; ++m) {
        Bytes w;
        w.u16(0);
        w.u16(0);
        for (int p = 0; p < 3; ++p) {
            w.u16(p == 2 ? 0x90 : 0x10);
            w.sz("&Menu " + std::to_string(p));
            for (int i = 0; i < 4; ++i) {
                w.u16(i == 3 ? 0x80 : 0);
                w.u16(static_cast<std::uint16_t>(100 * p + i));
                w.sz("Command number " + std::to_string(i) + " of menu " + std::to_string(m) + "\tCtrl+" +
                     std::to_string(i));
            }
        }
        out.push_back({ResId::of(4), ResId::of(static_cast<std::uint16_t>(m)), 0x409, w.b});
    }
    for (int d = 1; d <= 200; ++d) {
        Bytes w;
        w.u32(0x80C80040);
        w.u32(0);
        w.u16(8);
        for (int i = 0; i < 4; ++i)
            w.u16(100);
        w.u16(0);
        w.u16(0);
        w.sz("Dialog number " + std::to_string(d));
        w.u16(8);
        w.sz("MS Shell Dlg");
        for (int c = 0; c < 8; ++c) {
            w.align4();
            w.u32(0x50000000);
            w.u32(0);
            for (int i = 0; i < 4; ++i)
                w.u16(10);
            w.u16(static_cast<std::uint16_t>(1000 + c));
            w.u16(0xFFFF);
            w.u16(0x0082);
            w.sz("Label " + std::to_string(c) + " of the dialog");
            w.u16(0);
        }
        out.push_back({ResId::of(5), ResId::of(static_cast<std::uint16_t>(d)), 0x409, w.b});
    }
    for (int block = 1; block <= 625; ++block) {
        Bytes w;
        for (int i = 0; i < 16; ++i) {
            const std::string text = "String number " + std::to_string((block - 1) * 16 + i) + " of the big library";
            w.u16(static_cast<std::uint16_t>(text.size()));
            for (char c : text)
                w.u16(static_cast<unsigned char>(c));
        }
        out.push_back({ResId::of(6), ResId::of(static_cast<std::uint16_t>(block)), 0x409, w.b});
    }
    return out;
}

struct Fixture
{
    fs::path dir;
    std::string dll;
    std::string masterTokens;
    std::string projectTokens;
};

const Fixture &fixture()
{
    static Fixture f = [] {
        Fixture x;
        x.dir = fs::temp_directory_path() / "tamrix-rlbench";
        fs::create_directories(x.dir);
        std::ifstream in(TEST_IMAGES "/sample.dll", std::ios::binary);
        const std::vector<std::uint8_t> base((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto image = WritePeResources(base, bigResources()).image;
        x.dll = (x.dir / "big.dll").string();
        std::ofstream(x.dll, std::ios::binary).write(reinterpret_cast<const char *>(image.data()),
                                                     static_cast<std::streamsize>(image.size()));
        const std::string master = MasterTokenFile(ExtractTokens(ReadResourceFile(image)));
        x.masterTokens = (x.dir / "big.tok").string();
        std::ofstream(x.masterTokens, std::ios::binary) << master;
        x.projectTokens = (x.dir / "fr.tok").string();
        std::ofstream(x.projectTokens, std::ios::binary) << master;
        return x;
    }();
    return f;
}

std::vector<std::uint8_t> readBinary(const std::string &path)
{
    const auto bytes = ReadWholeFile(path);
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

void BM_MasterUpdate(benchmark::State &state)
{
    const Fixture &f = fixture();
    std::size_t tokens = 0;
    for (auto _ : state) {
        const auto found = ExtractTokens(ReadResourceFile(readBinary(f.dll)));
        tokens = found.size();
        WriteFileAtomically((f.dir / "out.tok").string(), MasterTokenFile(found));
    }
    state.counters["tokens"] = static_cast<double>(tokens);
}

void BM_ProjectUpdate(benchmark::State &state)
{
    const Fixture &f = fixture();
    for (auto _ : state) {
        TokenTable master;
        TokenTable project;
        TokenTable previous;
        LoadTokenFile(f.masterTokens, master);
        LoadTokenFile(f.projectTokens, project);
        LoadTokenFile(f.masterTokens, previous);
        WriteFileAtomically((f.dir / "merged.tok").string(),
                            RefreshProjectTokens(master, project, previous, ObsoleteTokens()).tokens);
    }
}

void BM_Export(benchmark::State &state)
{
    const Fixture &f = fixture();
    for (auto _ : state) {
        TokenTable project;
        LoadTokenFile(f.projectTokens, project);
        WriteFileAtomically((f.dir / "fr.dll").string(),
                            WriteLocalisedFile(readBinary(f.dll), project, MakeLangId(12, 1)).bytes);
    }
}

BENCHMARK(BM_MasterUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjectUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

// A real program and its token file with every text translated, in a folder of its own.
struct RealProgram
{
    std::string source;
    std::string tokens;
    std::string target;
};

void BM_ExportReal(benchmark::State &state, const RealProgram &p)
{
    for (auto _ : state) {
        TokenTable project;
        LoadTokenFile(p.tokens, project);
        const LocalisedFile written = WriteLocalisedFile(readBinary(p.source), project, MakeLangId(12, 1));
        WriteFileAtomically(p.target, written.bytes);
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(p.source));
}

void registerRealPrograms()
{
    const char *cacheSetting = std::getenv("TAMRIX_REAL_BINARIES");
    const char *home = std::getenv("HOME");
    const fs::path cache = cacheSetting ? fs::path(cacheSetting)
                                        : fs::path(home ? home : "/") / ".cache" / "tamrix-real-binaries";
    const struct
    {
        const char *name;
        const char *path;
    } programs[] = {
        {"mshtml-64", "amd64/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.dll"},
        {"shell32-64", "amd64/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll"},
        {"mshtml-32", "i386/usr/lib/i386-linux-gnu/wine/i386-windows/mshtml.dll"},
        {"shell32-32", "i386/usr/lib/i386-linux-gnu/wine/i386-windows/shell32.dll"},
    };
    for (const auto &program : programs) {
        const fs::path source = cache / program.path;
        std::error_code ec;
        if (!fs::is_regular_file(source, ec)) {
            std::fprintf(stderr, "%s: not in %s, not measured (scripts/check-real-binaries fetches it)\n",
                         program.name, cache.string().c_str());
            continue;
        }
        const fs::path dir = fs::temp_directory_path() / "tamrix-rlbench-real" / program.name;
        fs::create_directories(dir);
        RealProgram p{(dir / source.filename()).string(), (dir / "fr.tok").string(), (dir / "fr.dll").string()};
        fs::copy_file(source, p.source, fs::copy_options::overwrite_existing, ec);
        // Every text translated: accented letters before it.
        std::string tokens;
        for (const ResourceToken &t : ExtractTokens(ReadResourceFile(readBinary(p.source))))
            tokens += "[[" + std::to_string(t.type) + "|" + t.name + "|" + t.item + "|" + t.position + "|4|" +
                      t.extra + "]]=\xC9\xE9 " + t.text + "\r\n";
        std::ofstream(p.tokens, std::ios::binary) << tokens;
        benchmark::RegisterBenchmark((std::string("BM_ExportReal/") + program.name).c_str(), BM_ExportReal, p)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerRealPrograms();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
