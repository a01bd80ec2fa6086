#include "tokentable.h"

#include "tokenline.h"

#include <algorithm>
#include <cstring>

namespace {

// Eight bytes at a time: the key cells are short, and each byte on its own
// would wait on the multiply before it.
std::uint64_t mix(std::uint64_t h, std::string_view bytes)
{
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ull;
    const char *p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * kOdd;
        h ^= h >> 29;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    // The length separates "ab"+"c" from "a"+"bc".
    h = (h ^ tail ^ (std::uint64_t(bytes.size()) << 56)) * kOdd;
    return h ^ (h >> 29);
}

std::uint64_t finalise(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

} // namespace

namespace {

constexpr std::uint64_t kHashSeed = 0x243F6A8885A308D3ull;
constexpr std::uint64_t kNormalBit = std::uint64_t(1) << 62;
constexpr std::uint64_t kPlainBit = std::uint64_t(1) << 61;
constexpr unsigned kEqualsShift = 48;
constexpr std::uint64_t kEqualsMask = (1u << 13) - 1;
constexpr unsigned kLengthShift = 32;
constexpr std::uint64_t kLengthMask = 0xFFFF;
constexpr std::uint64_t kOffsetMask = 0xFFFFFFFFu;

// The bounds of the field cells in a line's bytes before its '=': the first five
// '|', then the first ']' after the fifth, the rule ParseTokenLine follows. Finds
// the first `need` of them (6: the ']' too). False when the bytes do not hold them.
struct FieldBounds
{
    std::uint32_t bars[5] = {};
    std::uint32_t bracket = 0;
};

#if (defined(__GNUC__) || defined(__clang__)) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define TOKENTABLE_WORD_SCAN 1
// The high bit of each byte of `word` that is a '|'.
inline std::uint64_t BarBytes(std::uint64_t word)
{
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t x = word ^ 0x7C7C7C7C7C7C7C7Cull;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}
#endif

inline bool ScanFields(const char *line, std::uint32_t equals, int need, FieldBounds &b)
{
    const int bars = need < 5 ? need : 5;
    int found = 0;
    std::uint32_t i = 0;
#ifdef TOKENTABLE_WORD_SCAN
    // Eight bytes at a time while whole words lie before the '='.
    for (; found < bars && i + 8 <= equals; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, line + i, 8);
        for (std::uint64_t hits = BarBytes(word); hits && found < bars; hits &= hits - 1)
            b.bars[found++] = i + static_cast<std::uint32_t>(__builtin_ctzll(hits) >> 3);
    }
#endif
    for (; found < bars; ++i) {
        if (i >= equals)
            return false;
        if (line[i] == '|')
            b.bars[found++] = i;
    }
    if (need <= 5)
        return true;
    for (i = b.bars[4] + 1; i < equals; ++i) {
        if (line[i] == ']') {
            b.bracket = i;
            return true;
        }
    }
    return false;
}

// How many bounds a column's cell needs found.
inline int BoundsNeeded(int column)
{
    return column == ColType ? 1 : column == ColId6 ? 6 : column;
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

inline std::uint64_t KeyHash(const TokenKey &key)
{
    return finalise(mix(mix(kHashSeed, key.front), key.last));
}

inline bool SameKey(const TokenKey &a, const TokenKey &b)
{
    return a.front == b.front && a.last == b.last;
}

// The key of a line from the bounds of its fields.
inline TokenKey KeyIn(std::string_view line, const std::uint32_t bars[5], std::uint32_t bracket)
{
    return {line.substr(2, bars[3] - 2), line.substr(bars[4] + 1, bracket - bars[4] - 1)};
}

// Where the status of a plain line begins: just after the '|' that ends cell 4,
// found back from the fifth '|' just before "]]=" (the status holds no '|').
// 0 when the bytes hold no such '|'.
inline std::uint32_t PlainStatusBegin(const char *line, std::uint32_t equals)
{
    std::uint32_t first = equals - 3;
    while (first > 2 && line[first - 1] != '|')
        --first;
    return first > 2 && line[first - 1] == '|' ? first : 0;
}

inline bool IsCompact(std::uint64_t row)
{
    return ((row >> kEqualsShift) & kEqualsMask) != 0;
}

inline std::uint32_t EqualsOf(std::uint64_t row)
{
    return static_cast<std::uint32_t>((row >> kEqualsShift) & kEqualsMask);
}

inline std::uint32_t LengthOf(std::uint64_t row)
{
    return static_cast<std::uint32_t>((row >> kLengthShift) & kLengthMask);
}

inline bool IsNormal(std::string_view line, const TokenLineLayout &p)
{
    return line.size() >= 2 && line[0] == '[' && line[1] == '[' && p.equals == p.bracket + 2 &&
           p.bracket + 1 < line.size() && line[p.bracket + 1] == ']';
}

} // namespace

TokenTable::Row TokenTable::encode(std::uint64_t start, const TokenLineLayout &p, bool parsed)
{
    const std::uint64_t offset = start & ~kEditBit;
    const std::string_view l = line(start, p.length);
    bool compact = offset <= kOffsetMask && p.length <= kLengthMask && p.equals != 0 && p.equals <= kEqualsMask &&
                   p.bracket < p.equals;
    if (compact && !parsed) {
        FieldBounds b;
        compact = ScanFields(l.data(), p.equals, 6, b) && b.bracket == p.bracket &&
                  std::equal(std::begin(b.bars), std::end(b.bars), std::begin(p.bars));
    }
    if (!compact) {
        m_wide.push_back(WideRow{start, p});
        return static_cast<Row>(m_wide.size() - 1);
    }
    const bool normal = IsNormal(l, p);
    // Plain: normal, and cell 6 empty, so the line ends its fields with "|]]=".
    const bool plain = normal && p.bars[4] + 1 == p.bracket;
    return offset | (std::uint64_t(p.length) << kLengthShift) | (std::uint64_t(p.equals) << kEqualsShift) |
           (normal ? kNormalBit : 0) | (plain ? kPlainBit : 0) | (start & kEditBit);
}

void TokenTable::decode(Row row, std::uint64_t &start, TokenLineLayout &p) const
{
    if (!IsCompact(row)) {
        const WideRow &wide = m_wide[row];
        start = wide.start;
        p = wide.layout;
        return;
    }
    start = (row & kOffsetMask) | (row & kEditBit);
    p.length = LengthOf(row);
    p.equals = EqualsOf(row);
    FieldBounds b;
    ScanFields(line(start, p.length).data(), p.equals, 6, b);
    std::copy(std::begin(b.bars), std::end(b.bars), std::begin(p.bars));
    p.bracket = b.bracket;
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
    const Row r = m_rows[row - 1];
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    if (IsCompact(r)) {
        const char *bytes = ((r & kEditBit) ? m_edits.data() : m_file.view().data()) + (r & kOffsetMask);
        const std::uint32_t equals = EqualsOf(r);
        if (column == ColText)
            return std::string_view(bytes + equals + 1, LengthOf(r) - equals - 1);
        if (r & kPlainBit) {
            // The cells most read, without a scan of the others: the status
            // ends at the fifth '|', just before "]]=", and holds no '|'.
            if (column == ColStatus) {
                const std::uint32_t first = PlainStatusBegin(bytes, equals);
                const std::uint32_t last = equals - 3;
                return first && first < last ? std::string_view(bytes + first, last - first) : std::string_view();
            }
            if (column == ColId6)
                return {};
        }
        FieldBounds b;
        if (!ScanFields(bytes, equals, BoundsNeeded(column), b))
            return {};
        cellBounds(column, equals, LengthOf(r), b.bars, b.bracket, begin, end);
        if (begin >= end)
            return {};
        return std::string_view(bytes + begin, end - begin);
    }
    const WideRow &wide = m_wide[r];
    const TokenLineLayout &p = wide.layout;
    cellBounds(column, p.equals, p.length, p.bars, p.bracket, begin, end);
    if (begin >= end)
        return {};
    return line(wide.start, p.length).substr(begin, end - begin);
}

void TokenTable::cells(std::size_t row, std::string_view (&out)[TokenColumnCount], TokenKey *key) const
{
    if (row == 0 || row > m_rows.size()) {
        std::fill(std::begin(out), std::end(out), std::string_view());
        if (key)
            *key = {};
        return;
    }
    std::uint64_t start = 0;
    TokenLineLayout p;
    decode(m_rows[row - 1], start, p);
    const std::string_view l = line(start, p.length);
    for (int c = 0; c < TokenColumnCount; ++c) {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
        cellBounds(c, p.equals, p.length, p.bars, p.bracket, begin, end);
        out[c] = begin < end ? l.substr(begin, end - begin) : std::string_view();
    }
    if (key)
        *key = KeyIn(l, p.bars, p.bracket);
}

std::string_view TokenTable::normalLine(std::size_t row) const
{
    if (row == 0 || row > m_rows.size())
        return {};
    const Row r = m_rows[row - 1];
    if (IsCompact(r))
        return (r & kNormalBit) ? line((r & kOffsetMask) | (r & kEditBit), LengthOf(r)) : std::string_view();
    const WideRow &wide = m_wide[r];
    const std::string_view l = line(wide.start, wide.layout.length);
    return IsNormal(l, wide.layout) ? l : std::string_view();
}

void TokenTable::setCell(std::size_t row, int column, std::string_view value)
{
    if (row == 0 || row > m_rows.size() || column < 0 || column >= TokenColumnCount)
        return;
    std::string_view cells[TokenColumnCount];
    this->cells(row, cells);
    // The value may be a view into this table's own bytes.
    const std::string kept(value);
    cells[column] = kept;

    TokenLineLayout layout;
    std::string text;
    AppendTokenLine(cells, text, &layout);

    const std::uint64_t start = static_cast<std::uint64_t>(m_edits.size()) | kEditBit;
    m_edits += text;
    m_rows[row - 1] = encode(start, layout, false);
    if (column != ColText && column != ColStatus)
        dropIndex();
}

std::string KeyText(const TokenKey &key)
{
    std::string text;
    text.reserve(key.front.size() + key.last.size() + 1);
    text.append(key.front);
    text += '\x1f';
    text.append(key.last);
    return text;
}

void TokenTable::compactEdits()
{
    std::string edits;
    std::vector<WideRow> wide;
    for (Row &r : m_rows) {
        if (IsCompact(r) && !(r & kEditBit))
            continue; // a line of the file, as read
        std::uint64_t start = 0;
        TokenLineLayout layout;
        decode(r, start, layout);
        if (start & kEditBit) {
            const std::string_view l = line(start, layout.length);
            start = static_cast<std::uint64_t>(edits.size()) | kEditBit;
            edits.append(l.data(), l.size());
        }
        if (IsCompact(r) && (start & ~kEditBit) <= kOffsetMask) {
            r = (r & ~(kOffsetMask | kEditBit)) | start;
        } else {
            wide.push_back(WideRow{start, layout});
            r = static_cast<Row>(wide.size() - 1);
        }
    }
    m_edits.swap(edits);
    m_wide.swap(wide);
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
    m_rows.push_back(encode(static_cast<std::uint64_t>(offset), layout, true));
    if (!m_index || !m_index->loading) {
        dropIndex();
        return;
    }
    KeyIndex &index = *m_index;
    // The key from the bounds at hand; its slot is fetched now and written a
    // batch later, so that the inserts do not wait on memory one after the other.
    const TokenKey key = KeyIn(m_file.view().substr(offset, layout.length), layout.bars, layout.bracket);
    const std::uint64_t h = KeyHash(key);
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(&index.entries[indexHome(h)], 1);
#endif
    index.pendingHash[index.pending++] = h;
    if (index.pending == std::size(index.pendingHash))
        flushLoading();
}

void TokenTable::sizeIndex(std::size_t rows) const
{
    KeyIndex &index = *m_index;
    // At most 80% full: the tags keep most probes from reading a row, so the
    // longer runs of a fuller index cost little.
    index.entries.assign(rows + rows / 4 + 16, 0);
    index.entries.shrink_to_fit();
    index.rowBits = 1;
    while (index.rowBits < 32 && (std::uint64_t(1) << index.rowBits) <= rows)
        ++index.rowBits;
}

void TokenTable::insertIndexed(std::size_t row, std::uint64_t h) const
{
    KeyIndex &index = *m_index;
    std::vector<std::uint32_t> &entries = index.entries;
    const std::uint64_t rowMask = (std::uint64_t(1) << index.rowBits) - 1;
    const std::size_t capacity = entries.size();
    const std::uint32_t tag = indexTag(h);
    for (std::size_t slot = indexHome(h);; slot = slot + 1 == capacity ? 0 : slot + 1) {
        const std::uint32_t entry = entries[slot];
        if (entry == 0) {
            entries[slot] = indexEntry(tag, row);
            return;
        }
        // An earlier row with the same key keeps the slot: the first row wins.
        if ((std::uint64_t(entry) >> index.rowBits) == tag && sameKey(entry & rowMask, *this, row))
            return;
    }
}

void TokenTable::flushLoading() const
{
    KeyIndex &index = *m_index;
    const std::size_t first = index.entered + 1;
    const std::size_t count = index.pending;
    index.pending = 0;
    // More rows than the index was sized for: it is made anew, twice as large.
    if (first + count - 1 > index.entries.size() * 4 / 5 ||
        (std::uint64_t(1) << index.rowBits) <= first + count - 1) {
        sizeIndex((first + count) * 2);
        for (std::size_t row = 1; row < first; ++row)
            insertIndexed(row, keyHash(row));
        for (std::size_t i = 0; i < count; ++i)
            index.pendingHash[i] = keyHash(first + i);
    }
    for (std::size_t i = 0; i < count; ++i)
        insertIndexed(first + i, index.pendingHash[i]);
    index.entered += count;
}

void TokenTable::startKeyIndex(std::size_t expectedRows)
{
    dropIndex();
    if (!m_index || m_rows.size() >= 0xffffffffu || expectedRows >= 0xffffffffu)
        return; // such tables are scanned
    KeyIndex &index = *m_index;
    sizeIndex(std::max(expectedRows, m_rows.size()));
    index.loading = true;
    index.entered = 0;
    index.pending = 0;
    for (std::size_t row = 1; row <= m_rows.size(); ++row)
        insertIndexed(row, keyHash(row));
    index.entered = m_rows.size();
}

void TokenTable::finishKeyIndex()
{
    if (!m_index)
        return;
    KeyIndex &index = *m_index;
    if (!index.loading) {
        buildKeyIndex();
        return;
    }
    flushLoading();
    index.loading = false;
    std::call_once(index.filled, [&index] { index.used = true; });
}

void TokenTable::appendLine(std::string_view text, const TokenLineLayout &layout)
{
    const std::uint64_t start = static_cast<std::uint64_t>(m_edits.size()) | kEditBit;
    m_edits.append(text.data(), text.size());
    m_rows.push_back(encode(start, layout, true));
    dropIndex();
}

TokenKey TokenTable::keyOf(std::size_t row) const
{
    if (row == 0 || row > m_rows.size())
        return {};
    const Row r = m_rows[row - 1];
    if (!IsCompact(r)) {
        const WideRow &wide = m_wide[r];
        return KeyIn(line(wide.start, wide.layout.length), wide.layout.bars, wide.layout.bracket);
    }
    const std::string_view l = line((r & kOffsetMask) | (r & kEditBit), LengthOf(r));
    const std::uint32_t equals = EqualsOf(r);
    if (r & kPlainBit) {
        // Cell 6 is empty, and cell 4 ends at the '|' before the status.
        const std::uint32_t status = PlainStatusBegin(l.data(), equals);
        if (!status)
            return {};
        return {l.substr(2, status - 1 - 2), l.substr(equals - 2, 0)};
    }
    FieldBounds b;
    if (!ScanFields(l.data(), equals, 6, b))
        return {};
    return KeyIn(l, b.bars, b.bracket);
}

std::uint64_t TokenTable::keyHash(std::size_t row) const
{
    return KeyHash(keyOf(row));
}

bool TokenTable::sameKey(std::size_t row, const TokenTable &other, std::size_t otherRow) const
{
    return SameKey(keyOf(row), other.keyOf(otherRow));
}

std::uint32_t TokenTable::indexTag(std::uint64_t hash) const
{
    return m_index->rowBits >= 32 ? 0u : static_cast<std::uint32_t>(hash >> 32) >> m_index->rowBits;
}

std::uint32_t TokenTable::indexEntry(std::uint32_t tag, std::size_t row) const
{
    return static_cast<std::uint32_t>((std::uint64_t(tag) << m_index->rowBits) | row);
}

std::size_t TokenTable::indexHome(std::uint64_t hash) const
{
    return static_cast<std::size_t>((hash & 0xFFFFFFFFu) * m_index->entries.size() >> 32);
}

void TokenTable::dropIndex()
{
    if (!m_index || m_index->used || m_index->loading)
        m_index = std::make_unique<KeyIndex>();
}

void TokenTable::buildKeyIndex() const
{
    if (m_index)
        std::call_once(m_index->filled, [this] { fillIndex(); });
}

void TokenTable::fillIndex() const
{
    KeyIndex &index = *m_index;
    index.used = true;
    index.loading = false;
    sizeIndex(m_rows.size());
    std::vector<std::uint32_t> &entries = index.entries;
    const std::uint64_t rowMask = (std::uint64_t(1) << index.rowBits) - 1;
    const std::size_t capacity = entries.size();
    // Hashes are computed a batch ahead and their entries fetched early, so that
    // the inserts do not wait on memory one after the other.
    constexpr std::size_t kBatch = 32;
    std::uint64_t hashes[kBatch];
    for (std::size_t first = 1; first <= m_rows.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, m_rows.size() + 1 - first);
        for (std::size_t i = 0; i < count; ++i) {
            hashes[i] = keyHash(first + i);
#if defined(__GNUC__) || defined(__clang__)
            __builtin_prefetch(&entries[indexHome(hashes[i])], 1);
#endif
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t row = first + i;
            const std::uint64_t h = hashes[i];
            const std::uint32_t tag = indexTag(h);
            for (std::size_t slot = indexHome(h);; slot = slot + 1 == capacity ? 0 : slot + 1) {
                const std::uint32_t entry = entries[slot];
                if (entry == 0) {
                    entries[slot] = indexEntry(tag, row);
                    break;
                }
                // An earlier row with the same key keeps the slot: the first row wins.
                if ((std::uint64_t(entry) >> index.rowBits) == tag && sameKey(entry & rowMask, *this, row))
                    break;
            }
        }
    }
}

std::optional<std::size_t> TokenTable::findFirstWithKey(const TokenTable &other, std::size_t row) const
{
    if (m_rows.empty() || row == 0 || row > other.tokenCount())
        return std::nullopt;
    return findFirstWithKey(other.keyOf(row));
}

std::optional<std::size_t> TokenTable::findFirstWithKey(const TokenKey &key) const
{
    if (m_rows.empty())
        return std::nullopt;
    if (m_rows.size() >= 0xffffffffu || !m_index) {
        // Too many rows for the index (or a table moved from): a plain scan
        // gives the same answer.
        for (std::size_t r = 1; r <= m_rows.size(); ++r) {
            if (SameKey(keyOf(r), key))
                return r;
        }
        return std::nullopt;
    }
    buildKeyIndex();
    const std::vector<std::uint32_t> &entries = m_index->entries;
    const std::uint64_t h = KeyHash(key);
    const std::uint32_t tag = indexTag(h);
    const std::uint64_t rowMask = (std::uint64_t(1) << m_index->rowBits) - 1;
    const std::size_t capacity = entries.size();
    for (std::size_t slot = indexHome(h);; slot = slot + 1 == capacity ? 0 : slot + 1) {
        const std::uint32_t entry = entries[slot];
        if (entry == 0)
            return std::nullopt;
        if ((std::uint64_t(entry) >> m_index->rowBits) == tag && SameKey(keyOf(entry & rowMask), key))
            return static_cast<std::size_t>(entry & rowMask);
    }
}

std::size_t TokenTable::bytesHeld() const
{
    return m_file.size() + m_edits.capacity() + m_rows.capacity() * sizeof(Row) + m_wide.capacity() * sizeof(WideRow) +
           (m_index ? m_index->entries.capacity() * sizeof(std::uint32_t) : 0);
}

std::string_view MasterToken(const TokenTable &master, const TokenTable &project, std::size_t row)
{
    const auto found = master.findFirstWithKey(project, row);
    return found ? master.cell(*found, ColText) : std::string_view();
}
