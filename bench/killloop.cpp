// Kills saves of a large token file at random moments and says what each kill
// left: the old file, the new one, or a file marked as being rewritten in place
// that the mark's backup restores. Any other outcome is a damaged file.
//
//   killloop <tokens> <kills> [inplace|atomic]
#include "store/savemarker.h"
#include "store/tokenfile.h"
#include "tokengen.h"
#include "tokenio.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeAll(const std::string &path, const std::string &bytes)
{
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!out)
        out.open(path, std::ios::binary | std::ios::out);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t tokens = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int kills = argc > 2 ? std::atoi(argv[2]) : 22;
    const bool inPlace = argc <= 3 || std::string(argv[3]) != "atomic";
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("killloop-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "fr.tok").string();
    const std::string old = GenerateTokenFile(tokens, false);
    TokenTable table;
    LoadTokens(old, table);
    for (std::size_t row = 1; row <= table.tokenCount(); row += 3)
        table.setCell(row, ColText, "a translated text of a different length");
    const std::string changed = FormatTokens(table);
    writeAll(path, old);
    if (inPlace)
        fs::create_hard_link(path, dir / "second-name.tok");

    // How long one save takes, to spread the kills over it.
    const auto t0 = std::chrono::steady_clock::now();
    SaveProjectTokens(path, table);
    const auto saveMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    std::mt19937 random(12345);
    int sawOld = 0, sawNew = 0, restored = 0, damaged = 0;
    for (int k = 0; k < kills; ++k) {
        writeAll(path, old);
        const pid_t child = fork();
        if (child == 0) {
            SaveProjectTokens(path, table);
            _exit(0);
        }
        const auto wait = std::uniform_int_distribution<long>(1, std::max<long>(2, saveMs * 3 / 2))(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::string abs;
        abs = fs::canonical(path).string();
        if (auto marker = SaveMarker::FindUnfinished(abs)) {
            const bool ok = marker->restoreBackup() == 0 && readAll(path) == old;
            ok ? ++restored : ++damaged;
            std::printf("kill %2d at %5ld ms: marked, %s\n", k + 1, wait, ok ? "backup put back" : "RESTORE FAILED");
            continue;
        }
        const std::string now = readAll(path);
        const char *what = now == old ? "old" : now == changed ? "new" : "DAMAGED";
        now == old ? ++sawOld : now == changed ? ++sawNew : ++damaged;
        std::printf("kill %2d at %5ld ms: %s\n", k + 1, wait, what);
    }
    std::printf("%zu tokens (%zu bytes), %s save of %lld ms: %d kills: %d old, %d new, %d restored from the mark, "
                "%d damaged\n",
                tokens, old.size(), inPlace ? "in-place" : "atomic", static_cast<long long>(saveMs), kills, sawOld,
                sawNew, restored, damaged);
    fs::remove_all(dir);
    return damaged == 0 ? 0 : 1;
}
