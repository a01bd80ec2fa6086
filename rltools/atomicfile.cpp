#include "atomicfile.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

std::string WriteFileAtomically(const std::string &path, std::string_view bytes)
{
    return WriteFileAtomically(path, std::vector<std::string_view>{bytes});
}

std::string WriteFileAtomically(const std::string &path, const std::vector<std::string_view> &parts)
{
    std::mt19937_64 random{std::random_device{}()};
    std::string temp;
    std::error_code ec;
    for (int i = 0; i < 16 && temp.empty(); ++i) {
        std::string candidate = path + ".~" + std::to_string(random() % 100000000);
        if (!fs::exists(candidate, ec))
            temp = candidate;
    }
    if (temp.empty())
        return "can't create a temporary file beside " + path;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.is_open())
            return "can't create " + temp;
        for (const std::string_view bytes : parts)
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out.good()) {
            out.close();
            fs::remove(temp, ec);
            return "can't write " + temp;
        }
    }
    const auto status = fs::status(path, ec);
    if (!ec && fs::exists(status))
        fs::permissions(temp, status.permissions(), fs::perm_options::replace, ec);
    fs::rename(temp, path, ec);
    if (ec) {
        const std::string why = ec.message();
        fs::remove(temp, ec);
        return "can't replace " + path + ": " + why;
    }
    return {};
}
