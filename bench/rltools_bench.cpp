// rlman's work on a large DLL: 10,000 strings, 200 menus and 200 dialogs.
// BM_MasterUpdate is "rlman -m", BM_ProjectUpdate "rlman -l", BM_Export "rlman -r",
// each with its file reading and writing.
#include "atomicfile.h"
#include "pewriter.h"
#include "reswriter.h"
#include "restokens.h"
#include "textlines.h"
#include "tokenio.h"
#include "tokenmerge.h"

#include <benchmark/benchmark.h>

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
        WriteFileAtomically((f.dir / "merged.tok").string(), MergeProjectTokens(master, project, previous));
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

} // namespace

BENCHMARK_MAIN();
