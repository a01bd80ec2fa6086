#include "tokenline.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t npos = std::string_view::npos;

inline std::size_t findByte(const char *bytes, std::size_t from, std::size_t n, char c)
{
    if (from >= n)
        return npos;
    const void *at = std::memchr(bytes + from, c, n - from);
    return at ? static_cast<std::size_t>(static_cast<const char *>(at) - bytes) : npos;
}

} // namespace

TokenLineStatus ParseTokenLine(std::string_view line, TokenLineLayout &layout)
{
    if (line.size() >= 0xffffffffu)
        return TokenLineStatus::ReadError; // beyond what a row can address
    // The rule: the text follows the first '='; the fields are cut at the first
    // five '|' of the line, wherever they are, and field 6 ends at the first ']'
    // after the fifth. The first two characters are skipped unseen.
    const char *bytes = line.data();
    const std::size_t n = line.size();
    std::size_t bars[5] = {};
    int found = 0;
    std::size_t bracket = npos;
    std::size_t equals = npos;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, all three bytes looked for at once, until each
    // bound is found (in a token line, within the first two or three blocks).
    const __m128i bar = _mm_set1_epi8('|');
    const __m128i eq = _mm_set1_epi8('=');
    const __m128i close = _mm_set1_epi8(']');
    for (; i + 16 <= n && (found < 5 || bracket == npos || equals == npos); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
        unsigned bars16 = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, bar)));
        if (equals == npos) {
            const unsigned e = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, eq)));
            if (e)
                equals = i + static_cast<std::size_t>(__builtin_ctz(e));
        }
        for (; bars16 && found < 5; bars16 &= bars16 - 1)
            bars[found++] = i + static_cast<std::size_t>(__builtin_ctz(bars16));
        if (found == 5 && bracket == npos) {
            unsigned b = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, close)));
            if (bars[4] >= i)
                b &= ~0u << (bars[4] - i + 1);
            if (b)
                bracket = i + static_cast<std::size_t>(__builtin_ctz(b));
        }
    }
#endif
    // What is left, by memchr over the rest of the line.
    if (equals == npos)
        equals = findByte(bytes, i, n, '=');
    if (equals == npos)
        return TokenLineStatus::Bad;
    std::size_t from = found ? bars[found - 1] + 1 : 0;
    from = std::max(from, i);
    while (found < 5) {
        const std::size_t at = findByte(bytes, from, n, '|');
        if (at == npos)
            break;
        bars[found++] = at;
        from = at + 1;
    }
    if (found == 0)
        return TokenLineStatus::Bad;
    if (bars[0] < 2)
        return TokenLineStatus::ReadError;
    if (found < 5)
        return TokenLineStatus::Bad;
    if (bracket == npos) {
        bracket = findByte(bytes, std::max(bars[4] + 1, i), n, ']');
        if (bracket == npos)
            return TokenLineStatus::Bad;
    }
    for (int k = 0; k < 5; ++k)
        layout.bars[k] = static_cast<std::uint32_t>(bars[k]);
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
