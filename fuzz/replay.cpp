// Runs a fuzz target's entry function once on each input file, without libFuzzer:
// the regression inputs and the seed corpus of every target replay as an
// ordinary test in every build. A failing input aborts, as under the fuzzer; the
// last "replaying" line names it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#if defined(__unix__)
#include <sys/resource.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fs = std::filesystem;

namespace {

// The fuzzer's own bound on memory (-rss_limit_mb), so that an input that once
// ran out of memory fails here too when it comes back.
constexpr long kRssLimitKb = 2048L * 1024;

bool withinMemoryLimit()
{
#if defined(__unix__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss <= kRssLimitKb;
#endif
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const auto &entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(arg, ec)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    for (const fs::path &input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.eof() && in.fail()) {
            std::fprintf(stderr, "replay: cannot read %s\n", input.string().c_str());
            return 2;
        }
        std::printf("replaying %s (%zu bytes)\n", input.string().c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
        if (!withinMemoryLimit()) {
            std::fprintf(stderr, "replay: %s took more than %ld MB\n", input.string().c_str(), kRssLimitKb / 1024);
            return 1;
        }
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
