#include "tokenfile.h"

#include "tokenline.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string systemError(int error)
{
    return error ? std::string(": ") + std::strerror(error) : std::string();
}

// A new file beside `path` that did not exist; empty when none could be made.
std::string temporaryBeside(const std::string &path)
{
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".~%08llx", static_cast<unsigned long long>(random() & 0xffffffffu));
        std::string candidate = path + suffix;
        std::error_code ec;
        if (!fs::exists(candidate, ec) && !ec)
            return candidate;
    }
    return {};
}

// Writes the token lines of a table to a new temporary file beside `target`, a
// chunk at a time; returns its name, or an empty name with the error in `message`.
std::string writeTokensBeside(const std::string &target, const TokenTable &table,
                              const std::function<void(double)> &progress, std::string &message)
{
    const std::string temp = temporaryBeside(target);
    if (temp.empty()) {
        message = "Can't create a temporary file beside " + target;
        return {};
    }
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        message = "Can't create " + temp + systemError(errno);
        return {};
    }
    std::string chunk;
    chunk.reserve(1 << 20);
    const std::size_t n = table.tokenCount();
    for (std::size_t row = 1; row <= n && out; ++row) {
        AppendTokenLine(table, row, chunk);
        if (chunk.size() >= (1u << 20) - 4096 || row == n) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
        if (progress)
            progress(100.0 * static_cast<double>(row) / static_cast<double>(n));
    }
    out.flush();
    const bool written = out.good();
    const int error = errno;
    out.close();
    if (!written || out.fail()) {
        message = "Can't write " + temp + systemError(error);
        std::error_code ec;
        fs::remove(temp, ec);
        return {};
    }
    return temp;
}

} // namespace

SaveResult SaveProjectTokens(const std::string &path, const TokenTable &table,
                             const std::function<void(double)> &progress)
{
    SaveResult result;
    auto fail = [&](std::string message) {
        result.ok = false;
        result.message = std::move(message);
        return result;
    };

    std::string message;
    const std::string newTokens = writeTokensBeside(path, table, progress, message);
    if (newTokens.empty())
        return fail(message);
    std::error_code ec;
    auto dropNew = [&] { fs::remove(newTokens, ec); };

    // The backup holds the file as it is on disk now.
    const std::string backup = path + ".bak";
    const std::string newBackup = temporaryBeside(backup);
    if (newBackup.empty()) {
        dropNew();
        return fail("Can't create a temporary file beside " + backup);
    }
    if (fs::is_directory(path, ec) || !fs::copy_file(path, newBackup, ec)) {
        const std::string why = ec ? ": " + ec.message() : std::string();
        fs::remove(newBackup, ec);
        dropNew();
        return fail("Can't copy the token file " + path + " to its backup" + why);
    }
    fs::rename(newBackup, backup, ec);
    if (ec) {
        const std::string why = ec.message();
        fs::remove(newBackup, ec);
        dropNew();
        return fail("Can't replace the backup " + backup + ": " + why);
    }

    // Keep the token file's permissions on its new content.
    const auto status = fs::status(path, ec);
    if (!ec)
        fs::permissions(newTokens, status.permissions(), fs::perm_options::replace, ec);
    fs::rename(newTokens, path, ec);
    if (ec) {
        const std::string why = ec.message();
        dropNew();
        return fail("Can't replace the token file " + path + ": " + why);
    }
    return result;
}
