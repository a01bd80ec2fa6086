#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Line reading of the 8-bit text files: CR LF ends a line, and so does a lone
// LF; a lone CR is kept as part of the line. A last line without a line end is
// a line; a file ending with a line end has no extra empty line.
class LineSplitter
{
public:
    explicit LineSplitter(std::string_view bytes) : m_bytes(bytes) {}

    // The next line without its line end, or false at the end of the bytes.
    bool next(std::string_view &line);
    // Offset of the next byte to be read (the size of the bytes once all is read).
    std::size_t position() const { return m_pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// The whole content of a regular file (or a link to one), or nothing when it
// cannot be opened or read (ReadWholeRegularFile tells which).
std::optional<std::string> ReadWholeFile(const std::string &path);
std::optional<std::string> ReadWholeStream(std::istream &in);

// Up to maxLines lines of a stream or file. Nothing when the file cannot be
// opened (only regular files are) or read.
std::vector<std::string> ReadLines(std::istream &in, std::size_t maxLines);
std::optional<std::vector<std::string>> ReadFileLines(const std::string &path, std::size_t maxLines);
