#include "tokencounts.h"

#include <cstring>

namespace {

int lowestBit(std::uint64_t word)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(word);
#else
    int n = 0;
    while (!(word & 1)) {
        word >>= 1;
        ++n;
    }
    return n;
#endif
}

int leadingZeros(std::uint64_t word)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_clzll(word);
#else
    int n = 0;
    while (!(word & (std::uint64_t(1) << 63))) {
        word <<= 1;
        ++n;
    }
    return n;
#endif
}

} // namespace

std::string ProgressText(const Progress &progress)
{
    return std::to_string(progress.translated) + " of " + std::to_string(progress.counted) + " translated (" +
           std::to_string(progress.percent()) + " %)";
}

int TokenCounts::typeIndex(std::string_view typeName)
{
    static const char *const names[kTypes] = {"Menu", "Dialog", "String", "Version", "Unknow type"};
    for (int i = 0; i < kTypes; ++i) {
        if (typeName == names[i])
            return i;
    }
    return -1;
}

void TokenCounts::assign(const TokenTable &table)
{
    m_cells = {};
    for (std::size_t row = 1; row <= table.tokenCount(); ++row)
        ++m_cells[typeIndex(TypeName(table.cell(row, ColType)))]
                 [classOf(StatusOf(table.cell(row, ColStatus)))];
}

void TokenCounts::statusChanged(std::string_view typeCell, std::int64_t oldStatus, std::int64_t newStatus)
{
    auto &byClass = m_cells[typeIndex(TypeName(typeCell))];
    --byClass[classOf(oldStatus)];
    ++byClass[classOf(newStatus)];
}

template <typename F> void TokenCounts::forEach(const TokenFilter &filter, F f) const
{
    const int onlyType = filter.mode == TokenFilter::ByType ? typeIndex(filter.typeName) : -1;
    if (filter.mode == TokenFilter::ByType && onlyType < 0)
        return; // a node text that names no type lists nothing
    for (int t = 0; t < kTypes; ++t) {
        if (onlyType >= 0 && t != onlyType)
            continue;
        for (int c = 0; c < kClasses; ++c) {
            const std::int64_t status = lowBits(c);
            // The three flag bits decide every filter of the tree; a status mask
            // with higher bits is not one of them and is read on these bits alone.
            if (filter.mode == TokenFilter::ByStatus && (status & filter.mask) != filter.value)
                continue;
            f(c, status, m_cells[t][c]);
        }
    }
}

std::size_t TokenCounts::listed(const TokenFilter &filter, bool showReadOnly) const
{
    std::size_t n = 0;
    forEach(filter, [&](int, std::int64_t status, std::size_t count) {
        if (IsListed(status, showReadOnly))
            n += count;
    });
    return n;
}

Progress TokenCounts::progress(const TokenFilter &filter) const
{
    Progress p;
    forEach(filter, [&](int cls, std::int64_t status, std::size_t count) {
        if (CountsForProgress(status))
            p.counted += count;
        if (cls == 8)
            p.translated += count;
    });
    return p;
}

std::size_t TokenCounts::total() const
{
    std::size_t n = 0;
    for (const auto &byClass : m_cells) {
        for (std::size_t c : byClass)
            n += c;
    }
    return n;
}

void ListedTokens::clear()
{
    m_rows.clear();
    m_itemOfRow.clear();
    m_needsWork.clear();
    m_progress = {};
}

void ListedTokens::assign(const std::vector<std::size_t> &rows, const TokenTable &table)
{
    m_rows = rows;
    m_itemOfRow.assign(table.tokenCount() + 1, kNotListed);
    m_needsWork.assign((rows.size() + 63) / 64, 0);
    m_progress = {};
    for (std::size_t item = 0; item < rows.size(); ++item) {
        const std::size_t row = rows[item];
        if (row == 0 || row > table.tokenCount())
            continue;
        m_itemOfRow[row] = static_cast<std::uint32_t>(item);
        const std::int64_t status = StatusOf(table.cell(row, ColStatus));
        if (NeedsWork(status))
            m_needsWork[item >> 6] |= std::uint64_t(1) << (item & 63);
        m_progress.counted += CountsForProgress(status);
        m_progress.translated += status == 4;
    }
}

std::optional<std::size_t> ListedTokens::itemOf(std::size_t row) const
{
    if (row >= m_itemOfRow.size() || m_itemOfRow[row] == kNotListed)
        return std::nullopt;
    return m_itemOfRow[row];
}

void ListedTokens::setNeedsWork(std::size_t item, bool on)
{
    const std::uint64_t bit = std::uint64_t(1) << (item & 63);
    if (on)
        m_needsWork[item >> 6] |= bit;
    else
        m_needsWork[item >> 6] &= ~bit;
}

void ListedTokens::statusChanged(std::size_t row, std::int64_t oldStatus, std::int64_t newStatus)
{
    const auto item = itemOf(row);
    if (!item)
        return;
    m_progress.counted -= CountsForProgress(oldStatus);
    m_progress.counted += CountsForProgress(newStatus);
    m_progress.translated -= oldStatus == 4;
    m_progress.translated += newStatus == 4;
    setNeedsWork(*item, NeedsWork(newStatus));
}

std::optional<std::size_t> ListedTokens::findForward(std::size_t first, std::size_t end) const
{
    std::size_t item = first;
    while (item < end) {
        std::uint64_t word = m_needsWork[item >> 6] >> (item & 63);
        if (word) {
            const std::size_t found = item + static_cast<std::size_t>(lowestBit(word));
            return found < end ? std::optional<std::size_t>(found) : std::nullopt;
        }
        item = (item | 63) + 1;
    }
    return std::nullopt;
}

std::optional<std::size_t> ListedTokens::findBackward(std::size_t first, std::size_t end) const
{
    std::size_t item = end; // one past the next candidate
    while (item > first) {
        const std::size_t last = item - 1;
        const unsigned shift = 63 - static_cast<unsigned>(last & 63);
        const std::uint64_t word = m_needsWork[last >> 6] << shift; // bits above `last` dropped
        if (word) {
            const std::size_t found = last - static_cast<std::size_t>(leadingZeros(word));
            return found >= first ? std::optional<std::size_t>(found) : std::nullopt;
        }
        item = last - (last & 63);
    }
    return std::nullopt;
}

std::optional<ListedTokens::Found> ListedTokens::nextNeedingWork(std::optional<std::size_t> from, bool forward) const
{
    const std::size_t n = m_rows.size();
    if (n == 0)
        return std::nullopt;
    if (from && *from >= n)
        from.reset();
    if (forward) {
        const std::size_t start = from ? *from + 1 : 0;
        if (auto item = findForward(start, n))
            return Found{*item, false};
        if (auto item = findForward(0, std::min(start, n)))
            return Found{*item, from.has_value()};
    } else {
        const std::size_t end = from ? *from : n;
        if (auto item = findBackward(0, end))
            return Found{*item, false};
        if (auto item = findBackward(end, n))
            return Found{*item, from.has_value()};
    }
    return std::nullopt;
}
