#include "tokenline.h"

#include <algorithm>
#include <cstdint>

TokenLineStatus ParseTokenLine(std::string_view line, TokenLineLayout &layout)
{
    if (line.size() >= 0xffffffffu)
        return TokenLineStatus::ReadError; // beyond what a row can address
    constexpr std::size_t npos = std::string_view::npos;
    // One pass up to the first '=', which in a well-formed line follows the
    // fields: it meets the five '|' and the ']' on the way.
    const char *bytes = line.data();
    const std::size_t n = line.size();
    std::size_t bars[5] = {};
    int found = 0;
    std::size_t bracket = npos;
    std::size_t equals = npos;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '=') {
            equals = i;
            break;
        }
        if (c == '|') {
            if (found < 5)
                bars[found++] = i;
        } else if (c == ']' && found == 5 && bracket == npos) {
            bracket = i;
        }
    }
    if (equals == npos)
        return TokenLineStatus::Bad;
    // What the pass did not meet lies after the '=' (or after the fifth '|').
    std::size_t from = equals + 1;
    if (found == 0) {
        const auto bar = line.find('|', from);
        if (bar == npos)
            return TokenLineStatus::Bad;
        bars[found++] = bar;
        from = bar + 1;
    }
    if (bars[0] < 2)
        return TokenLineStatus::ReadError;
    while (found < 5) {
        const auto bar = line.find('|', from);
        if (bar == npos)
            return TokenLineStatus::Bad;
        bars[found++] = bar;
        from = bar + 1;
    }
    if (bracket == npos) {
        bracket = line.find(']', std::max(from, bars[4] + 1));
        if (bracket == npos)
            return TokenLineStatus::Bad;
    }
    for (int i = 0; i < 5; ++i)
        layout.bars[i] = static_cast<std::uint32_t>(bars[i]);
    layout.bracket = static_cast<std::uint32_t>(bracket);
    layout.equals = static_cast<std::uint32_t>(equals);
    layout.length = static_cast<std::uint32_t>(n);
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
    std::string_view cells[TokenColumnCount];
    table.cells(row, cells);
    AppendTokenLine(cells, out);
    out += "\r\n";
}

void AppendTokenLine(const std::string_view (&cells)[TokenColumnCount], std::string &out, TokenLineLayout *layout)
{
    const std::size_t begin = out.size();
    auto at = [&] { return static_cast<std::uint32_t>(out.size() - begin); };
    out += "[[";
    out += cells[ColType];
    for (int c = ColId2; c <= ColId6; ++c) {
        if (layout)
            layout->bars[c - 2] = at();
        out += '|';
        out += cells[c];
    }
    if (layout)
        layout->bracket = at();
    out += "]]";
    if (layout)
        layout->equals = at();
    out += '=';
    out += cells[ColText];
    if (layout)
        layout->length = at();
}
