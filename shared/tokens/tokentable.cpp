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

std::string_view TokenTable::line(const Row &row) const
{
    const bool edit = (row.start & kEditBit) != 0;
    const std::uint64_t offset = row.start & ~kEditBit;
    const std::string &bytes = edit ? m_edits : m_file;
    return std::string_view(bytes.data() + offset, row.layout.length);
}

std::string_view TokenTable::cell(std::size_t row, int column) const
{
    if (row == 0 || row > m_rows.size() || column < 0 || column >= TokenColumnCount)
        return {};
    const Row &r = m_rows[row - 1];
    const std::string_view l = line(r);
    const TokenLineLayout &p = r.layout;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    switch (column) {
    case ColText:
        begin = p.equals + 1;
        end = p.length;
        break;
    case ColType:
        begin = 2;
        end = p.bars[0];
        break;
    case ColId6:
        begin = p.bars[4] + 1;
        end = p.bracket;
        break;
    default:
        begin = p.bars[column - 2] + 1;
        end = p.bars[column - 1];
        break;
    }
    if (begin >= end)
        return {};
    return l.substr(begin, end - begin);
}

std::string_view TokenTable::normalLine(std::size_t row) const
{
    if (row == 0 || row > m_rows.size())
        return {};
    const Row &r = m_rows[row - 1];
    const std::string_view l = line(r);
    const TokenLineLayout &p = r.layout;
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

    Row &r = m_rows[row - 1];
    r.start = static_cast<std::uint64_t>(m_edits.size()) | kEditBit;
    r.layout = layout;
    m_edits += text;
    if (column != ColText && column != ColStatus)
        dropIndex();
}

void TokenTable::clear()
{
    m_file.clear();
    m_file.shrink_to_fit();
    m_edits.clear();
    m_edits.shrink_to_fit();
    m_rows.clear();
    m_rows.shrink_to_fit();
    dropIndex();
}

void TokenTable::adoptBuffer(std::string bytes)
{
    m_file = std::move(bytes);
}

void TokenTable::appendLoaded(std::size_t offset, const TokenLineLayout &layout)
{
    m_rows.push_back(Row{static_cast<std::uint64_t>(offset), layout});
    dropIndex();
}

void TokenTable::appendLine(std::string_view text, const TokenLineLayout &layout)
{
    m_rows.push_back(Row{static_cast<std::uint64_t>(m_edits.size()) | kEditBit, layout});
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

void TokenTable::buildKeyIndex() const
{
    std::size_t capacity = 16;
    while (capacity < m_rows.size() * 2)
        capacity *= 2;
    m_index.assign(capacity, 0);
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
            const std::uint64_t tag = h >> 32;
            for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
                const std::uint64_t entry = m_index[slot];
                if (entry == 0) {
                    m_index[slot] = (tag << 32) | row;
                    break;
                }
                // An earlier row with the same key keeps the slot: the first row wins.
                if ((entry >> 32) == tag && sameKey(entry & 0xffffffffu, *this, row))
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
    const std::uint64_t tag = h >> 32;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = m_index[slot];
        if (entry == 0)
            return std::nullopt;
        if ((entry >> 32) == tag && sameKey(entry & 0xffffffffu, other, row))
            return static_cast<std::size_t>(entry & 0xffffffffu);
    }
}

std::size_t TokenTable::bytesHeld() const
{
    return m_file.capacity() + m_edits.capacity() + m_rows.capacity() * sizeof(Row) +
           m_index.capacity() * sizeof(std::uint64_t);
}

std::string_view MasterToken(const TokenTable &master, const TokenTable &project, std::size_t row)
{
    const auto found = master.findFirstWithKey(project, row);
    return found ? master.cell(*found, ColText) : std::string_view();
}
