#include "tokenline.h"

#include <cstdint>

TokenLineStatus ParseTokenLine(std::string_view line, TokenLineLayout &layout)
{
    if (line.size() >= 0xffffffffu)
        return TokenLineStatus::ReadError; // beyond what a row can address
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return TokenLineStatus::Bad;
    auto bar = line.find('|');
    if (bar == std::string_view::npos)
        return TokenLineStatus::Bad;
    if (bar < 2)
        return TokenLineStatus::ReadError;
    layout.bars[0] = static_cast<std::uint32_t>(bar);
    for (int i = 1; i < 5; ++i) {
        bar = line.find('|', bar + 1);
        if (bar == std::string_view::npos)
            return TokenLineStatus::Bad;
        layout.bars[i] = static_cast<std::uint32_t>(bar);
    }
    const auto bracket = line.find(']', bar + 1);
    if (bracket == std::string_view::npos)
        return TokenLineStatus::Bad;
    layout.bracket = static_cast<std::uint32_t>(bracket);
    layout.equals = static_cast<std::uint32_t>(equals);
    layout.length = static_cast<std::uint32_t>(line.size());
    return TokenLineStatus::Ok;
}

TokenLineStatus AjouteToken(std::string_view line, TokenTable &table)
{
    TokenLineLayout layout;
    const auto status = ParseTokenLine(line, layout);
    if (status == TokenLineStatus::Ok)
        table.appendLine(line, layout);
    return status;
}

void AppendTokenLine(const TokenTable &table, std::size_t row, std::string &out)
{
    const std::string_view whole = table.normalLine(row);
    if (!whole.empty()) {
        out += whole;
        out += "\r\n";
        return;
    }
    out += "[[";
    out += table.cell(row, ColType);
    for (int c = ColId2; c <= ColId6; ++c) {
        out += '|';
        out += table.cell(row, c);
    }
    out += "]]=";
    out += table.cell(row, ColText);
    out += "\r\n";
}
