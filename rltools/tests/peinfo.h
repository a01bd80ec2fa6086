#pragma once

// A small, independent reading of PE headers for the tests, and the binutils
// that check an image from the outside.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct PeSection
{
    std::string name; // long names resolved through the COFF string table
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t characteristics = 0;
};

struct PeInfo
{
    std::size_t coff = 0;
    std::size_t optional = 0;
    std::size_t directories = 0;
    std::uint32_t symbolPointer = 0;
    std::uint32_t symbolCount = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t checksum = 0;
    std::vector<PeSection> sections;

    static std::uint32_t u32(const std::vector<std::uint8_t> &b, std::size_t at)
    {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
    }
    static std::uint16_t u16(const std::vector<std::uint8_t> &b, std::size_t at)
    {
        return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
    }

    explicit PeInfo(const std::vector<std::uint8_t> &b)
    {
        coff = u32(b, 0x3C) + 4;
        const std::uint16_t count = u16(b, coff + 2);
        symbolPointer = u32(b, coff + 8);
        symbolCount = u32(b, coff + 12);
        optional = coff + 20;
        directories = optional + (u16(b, optional) == 0x10b ? 96 : 112);
        sizeOfImage = u32(b, optional + 56);
        checksum = u32(b, optional + 64);
        const std::size_t table = optional + u16(b, coff + 16);
        const std::size_t strings = std::size_t(symbolPointer) + 18 * std::size_t(symbolCount);
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::size_t at = table + 40 * i;
            PeSection s;
            for (int k = 0; k < 8 && b[at + k]; ++k)
                s.name += static_cast<char>(b[at + k]);
            if (s.name.size() > 1 && s.name[0] == '/' && symbolPointer) {
                const std::size_t offset = strings + std::stoul(s.name.substr(1));
                s.name.clear();
                for (std::size_t k = offset; k < b.size() && b[k]; ++k)
                    s.name += static_cast<char>(b[k]);
            }
            s.virtualSize = u32(b, at + 8);
            s.virtualAddress = u32(b, at + 12);
            s.rawSize = u32(b, at + 16);
            s.rawPointer = u32(b, at + 20);
            s.characteristics = u32(b, at + 36);
            sections.push_back(s);
        }
    }

    std::uint32_t directoryAddress(int index, const std::vector<std::uint8_t> &b) const
    {
        return u32(b, directories + 8 * std::size_t(index));
    }
    std::uint32_t directorySize(int index, const std::vector<std::uint8_t> &b) const
    {
        return u32(b, directories + 8 * std::size_t(index) + 4);
    }
    const PeSection *find(const std::string &name) const
    {
        for (const PeSection &s : sections) {
            if (s.name == name)
                return &s;
        }
        return nullptr;
    }
    // The file bytes of a section, as far as its raw data holds them.
    static std::vector<std::uint8_t> bytesOf(const PeSection &s, const std::vector<std::uint8_t> &b)
    {
        return std::vector<std::uint8_t>(b.begin() + s.rawPointer, b.begin() + s.rawPointer + s.rawSize);
    }
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command; its standard output and error go to `output`. Returns
// the exit status.
inline int RunCommand(const std::string &command, std::string &output)
{
    const auto file = std::filesystem::temp_directory_path() /
                      ("tamrix-command-" + std::to_string(::getpid()) + ".txt");
    const int status = std::system((command + " > '" + file.string() + "' 2>&1").c_str());
    output = ReadText(file);
    std::filesystem::remove(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#ifdef WINDRES
// Compiles an .rc source into a .res, as the build compiles the test images.
inline int CompileResources(const std::filesystem::path &rc, const std::filesystem::path &res, std::string &output)
{
    return RunCommand("'" WINDRES "' --preprocessor=cpp --preprocessor-arg=-E --preprocessor-arg=-xc-header "
                      "--preprocessor-arg=-DRC_INVOKED -i '" +
                          rc.string() + "' -O res -o '" + res.string() + "'",
                      output);
}
#endif
