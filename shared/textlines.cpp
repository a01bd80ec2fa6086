#include "textlines.h"

#include "regularfile.h"

#include <new>

bool LineSplitter::next(std::string_view &line)
{
    if (m_pos >= m_bytes.size())
        return false;
    const auto lf = m_bytes.find('\n', m_pos);
    if (lf == std::string_view::npos) {
        line = m_bytes.substr(m_pos);
        m_pos = m_bytes.size();
        return true;
    }
    std::size_t end = lf;
    if (end > m_pos && m_bytes[end - 1] == '\r')
        --end;
    line = m_bytes.substr(m_pos, end - m_pos);
    m_pos = lf + 1;
    return true;
}

std::optional<std::string> ReadWholeStream(std::istream &in)
{
    std::string bytes;
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string &path)
{
    std::string bytes;
    if (ReadWholeRegularFile(path, bytes) != FileReadStatus::Ok)
        return std::nullopt;
    return bytes;
}

std::vector<std::string> ReadLines(std::istream &in, std::size_t maxLines)
{
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < maxLines && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::optional<std::vector<std::string>> ReadFileLines(const std::string &path, std::size_t maxLines)
{
    RegularFileStream in;
    if (!in.open(path))
        return std::nullopt;
    try {
        auto lines = ReadLines(in, maxLines);
        if (in.bad())
            return std::nullopt;
        return lines;
    } catch (const std::bad_alloc &) {
        return std::nullopt; // a line too long for memory
    }
}
