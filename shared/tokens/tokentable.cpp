#include "tokentable.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kFnvOffset = 1469598103934665603ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t mix(std::uint64_t h, std::string_view bytes)
{
    for (unsigned char c : bytes) {
        h ^= c;
        h *= kFnvPrime;
    }
    // The length separates "ab"+"c" from "a"+"bc".
    h ^= bytes.size() + 0x9e3779b97f4a7c15ull;
    h *= kFnvPrime;
    return h;
}

std::uint64_t finalise(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

constexpr int kKeyColumns[5] = {ColType, ColId2, ColId3, ColId4, ColId6};

} // namespace

namespace {

constexpr std::uint64_t kOffsetMask = (std::uint64_t(1) << 40) - 1;
constexpr std::uint32_t kLengthMask = (1u << 23) - 1;

// The bound `i` of a compact shape: 0 to 4 the five '|', 5 the ']'.
inline std::uint32_t boundAt(std::uint64_t shape, int i)
{
    return static_cast<std::uint32_t>((shape >> (16 + 8 * i)) & 0xFF);
}

// Where a cell lies in its line, from the positions of the parse.
inline void cellBounds(int column, std::uint32_t equals, std::uint32_t length, const std::uint32_t bars[5],
                       std::uint32_t bracket, std::uint32_t &begin, std::uint32_t &end)
{
    switch (column) {
    case ColText:
        begin = equals + 1;
        end = length;
        break;
    case ColType:
        begin = 2;
        end = bars[0];
        break;
    case ColId6:
        begin = bars[4] + 1;
        end = bracket;
        break;
    default:
        begin = bars[column - 2] + 1;
        end = bars[column - 1];
        break;
    }
}

} // namespace

TokenTable::Row TokenTable::encode(std::uint64_t start, const TokenLineLayout &p)
{
    const std::uint64_t offset = start & ~kEditBit;
    // The ']' follows the five '|', so it alone bounds them all.
    if (p.equals >= kWideShape || offset > kOffsetMask || p.length > kLengthMask || p.bracket > 0xFF) {
        m_wide.push_back(WideRow{start, p});
        return Row{static_cast<std::uint64_t>(m_wide.size() - 1), kWideShape};
    }
    Row row;
    row.place = offset | (std::uint64_t(p.length) << 40) | (start & kEditBit);
    row.shape = p.equals;
    for (int i = 0; i < 5; ++i)
        row.shape |= std::uint64_t(p.bars[i]) << (16 + 8 * i);
    row.shape |= std::uint64_t(p.bracket) << 56;
    return row;
}

void TokenTable::decode(const Row &row, std::uint64_t &start, TokenLineLayout &p) const
{
    if (row.shape == kWideShape) {
        const WideRow &wide = m_wide[row.place];
        start = wide.start;
        p = wide.layout;
        return;
    }
    start = (row.place & kOffsetMask) | (row.place & kEditBit);
    p.length = static_cast<std::uint32_t>((row.place >> 40) & kLengthMask);
    p.equals = static_cast<std::uint32_t>(row.shape & 0xFFFF);
    for (int i = 0; i < 5; ++i)
        p.bars[i] = boundAt(row.shape, i);
    p.bracket = boundAt(row.shape, 5);
}

std::string_view TokenTable::line(std::uint64_t start, std::uint32_t length) const
{
    const bool edit = (start & kEditBit) != 0;
    const std::uint64_t offset = start & ~kEditBit;
    const char *bytes = edit ? m_edits.data() : m_file.view().data();
    return std::string_view(bytes + offset, length);
}

std::string_view TokenTable::cell(std::size_t row, int column) const
{
    if (row == 0 || row > m_rows.size() || column < 0 || column >= TokenColumnCount)
        return {};
    const Row &r = m_rows[row - 1];
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    if (r.shape != kWideShape) {
        // Only the two bounds of the cell are taken out of the shape.
        const std::uint32_t bars[5] = {boundAt(r.shape, 0), boundAt(r.shape, 1), boundAt(r.shape, 2),
                                       boundAt(r.shape, 3), boundAt(r.shape, 4)};
        const std::uint32_t length = static_cast<std::uint32_t>((r.place >> 40) & kLengthMask);
        cellBounds(column, static_cast<std::uint32_t>(r.shape & 0xFFFF), length, bars, boundAt(r.shape, 5), begin,
                   end);
        if (begin >= end)
            return {};
        const char *bytes = (r.place & kEditBit) ? m_edits.data() : m_file.view().data();
        return std::string_view(bytes + (r.place & kOffsetMask) + begin, end - begin);
    }
    const WideRow &wide = m_wide[r.place];
    const TokenLineLayout &p = wide.layout;
    cellBounds(column, p.equals, p.length, p.bars, p.bracket, begin, end);
    if (begin >= end)
        return {};
    return line(wide.start, p.length).substr(begin, end - begin);
}

std::string_view TokenTable::normalLine(std::size_t row) const
{
    if (row == 0 || row > m_rows.size())
        return {};
    std::uint64_t start = 0;
    TokenLineLayout p;
    decode(m_rows[row - 1], start, p);
    const std::string_view l = line(start, p.length);
    if (l.size() < 2 || l[0] != '[' || l[1] != '[' || p.equals != p.bracket + 2 || l[p.bracket + 1] != ']')
        return {};
    return l;
}

void TokenTable::setCell(std::size_t row, int column, std::string_view value)
{
    if (row == 0 || row > m_rows.size() || column < 0 || column >= TokenColumnCount)
        return;
    std::string cells[TokenColumnCount];
    for (int c = 0; c < TokenColumnCount; ++c)
        cells[c] = c == column ? std::string(value) : std::string(cell(row, c));

    TokenLineLayout layout;
    std::string text = "[[";
    text += cells[ColType];
    for (int c = ColId2; c <= ColId6; ++c) {
        layout.bars[c - 2] = static_cast<std::uint32_t>(text.size());
        text += '|';
        text += cells[c];
    }
    layout.bracket = static_cast<std::uint32_t>(text.size());
    text += "]]";
    layout.equals = static_cast<std::uint32_t>(text.size());
    text += '=';
    text += cells[ColText];
    layout.length = static_cast<std::uint32_t>(text.size());

    m_rows[row - 1] = encode(static_cast<std::uint64_t>(m_edits.size()) | kEditBit, layout);
    m_edits += text;
    if (column != ColText && column != ColStatus)
        dropIndex();
}

void TokenTable::clear()
{
    m_file.clear();
    m_edits.clear();
    m_edits.shrink_to_fit();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_wide.clear();
    m_wide.shrink_to_fit();
    dropIndex();
}

void TokenTable::adoptBuffer(std::string bytes)
{
    m_file = FileBytes(std::move(bytes));
}

void TokenTable::adoptBuffer(FileBytes bytes)
{
    m_file = std::move(bytes);
}

void TokenTable::appendLoaded(std::size_t offset, const TokenLineLayout &layout)
{
    m_rows.push_back(encode(static_cast<std::uint64_t>(offset), layout));
    dropIndex();
}

void TokenTable::appendLine(std::string_view text, const TokenLineLayout &layout)
{
    m_rows.push_back(encode(static_cast<std::uint64_t>(m_edits.size()) | kEditBit, layout));
    m_edits.append(text.data(), text.size());
    dropIndex();
}

std::uint64_t TokenTable::keyHash(std::size_t row) const
{
    std::uint64_t h = kFnvOffset;
    for (int c : kKeyColumns)
        h = mix(h, cell(row, c));
    return finalise(h);
}

bool TokenTable::sameKey(std::size_t row, const TokenTable &other, std::size_t otherRow) const
{
    for (int c : kKeyColumns) {
        if (cell(row, c) != other.cell(otherRow, c))
            return false;
    }
    return true;
}

std::uint32_t TokenTable::indexTag(std::uint64_t hash) const
{
    return m_indexRowBits >= 32 ? 0u : static_cast<std::uint32_t>(hash >> 32) >> m_indexRowBits;
}

std::uint32_t TokenTable::indexEntry(std::uint32_t tag, std::size_t row) const
{
    return static_cast<std::uint32_t>((std::uint64_t(tag) << m_indexRowBits) | row);
}

void TokenTable::buildKeyIndex() const
{
    std::size_t capacity = 16;
    while (capacity < m_rows.size() * 2)
        capacity *= 2;
    m_index.assign(capacity, 0);
    m_indexRowBits = 1;
    while (m_indexRowBits < 32 && (std::uint64_t(1) << m_indexRowBits) <= m_rows.size())
        ++m_indexRowBits;
    const std::uint64_t rowMask = (std::uint64_t(1) << m_indexRowBits) - 1;
    const std::size_t mask = capacity - 1;
    // Hashes are computed a batch ahead and their slots fetched early, so that
    // the inserts do not wait on memory one after the other.
    constexpr std::size_t kBatch = 32;
    std::uint64_t hashes[kBatch];
    for (std::size_t first = 1; first <= m_rows.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, m_rows.size() + 1 - first);
        for (std::size_t i = 0; i < count; ++i) {
            hashes[i] = keyHash(first + i);
#if defined(__GNUC__) || defined(__clang__)
            __builtin_prefetch(&m_index[hashes[i] & mask], 1);
#endif
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t row = first + i;
            const std::uint64_t h = hashes[i];
            const std::uint32_t tag = indexTag(h);
            for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
                const std::uint32_t entry = m_index[slot];
                if (entry == 0) {
                    m_index[slot] = indexEntry(tag, row);
                    break;
                }
                // An earlier row with the same key keeps the slot: the first row wins.
                if ((std::uint64_t(entry) >> m_indexRowBits) == tag && sameKey(entry & rowMask, *this, row))
                    break;
            }
        }
    }
}

std::optional<std::size_t> TokenTable::findFirstWithKey(const TokenTable &other, std::size_t row) const
{
    if (m_rows.empty() || row == 0 || row > other.tokenCount())
        return std::nullopt;
    if (m_rows.size() >= 0xffffffffu) {
        // Too many rows for the index: a plain scan gives the same answer.
        for (std::size_t r = 1; r <= m_rows.size(); ++r) {
            if (sameKey(r, other, row))
                return r;
        }
        return std::nullopt;
    }
    if (m_index.empty())
        buildKeyIndex();
    const std::uint64_t h = other.keyHash(row);
    const std::uint32_t tag = indexTag(h);
    const std::uint64_t rowMask = (std::uint64_t(1) << m_indexRowBits) - 1;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t entry = m_index[slot];
        if (entry == 0)
            return std::nullopt;
        if ((std::uint64_t(entry) >> m_indexRowBits) == tag && sameKey(entry & rowMask, other, row))
            return static_cast<std::size_t>(entry & rowMask);
    }
}

std::size_t TokenTable::bytesHeld() const
{
    return m_file.size() + m_edits.capacity() + m_rows.capacity() * sizeof(Row) + m_wide.capacity() * sizeof(WideRow) +
           m_index.capacity() * sizeof(std::uint32_t);
}

std::string_view MasterToken(const TokenTable &master, const TokenTable &project, std::size_t row)
{
    const auto found = master.findFirstWithKey(project, row);
    return found ? master.cell(*found, ColText) : std::string_view();
}
