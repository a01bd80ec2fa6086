#include "listing/tokencounts.h"

#include "numbers.h"

#include <algorithm>
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

std::string ShortProgressText(const Progress &progress)
{
    return std::to_string(progress.translated) + "/" + std::to_string(progress.counted) + " \u00B7 " +
           std::to_string(progress.percent()) + " %";
}

int TokenSummary::TypeIndex(TokenType type)
{
    switch (type) {
    case TokenType::Menu:
        return 0;
    case TokenType::Dialog:
        return 1;
    case TokenType::String:
        return 2;
    case TokenType::Version:
        return 3;
    case TokenType::Other:
        break;
    }
    return 4;
}

std::uint8_t TokenSummary::byteOf(std::string_view typeCell, std::string_view statusCell)
{
    const int type = TypeIndex(TokenTypeOf(typeCell));
    const std::int64_t status = StatusOf(statusCell);
    return static_cast<std::uint8_t>(statusBits(status) | (type << 4) |
                                     (IsPlainInteger(statusCell, status) ? 0 : kOddStatus));
}

void TokenSummary::assign(const TokenTable &table)
{
    m_bytes.assign(table.tokenCount() + 1, 0);
    for (std::size_t row = 1; row <= table.tokenCount(); ++row)
        m_bytes[row] = byteOf(table.cell(row, ColType), table.cell(row, ColStatus));
}

void TokenSummary::reserve(std::size_t rows)
{
    m_bytes.reserve(rows + 1);
    if (m_bytes.empty())
        m_bytes.push_back(0); // row 0
}

void TokenSummary::append(std::string_view typeCell, std::string_view statusCell)
{
    if (m_bytes.empty())
        m_bytes.push_back(0);
    m_bytes.push_back(byteOf(typeCell, statusCell));
}

void TokenSummary::statusChanged(std::size_t row, std::int64_t status)
{
    if (row == 0 || row >= m_bytes.size())
        return;
    m_bytes[row] = static_cast<std::uint8_t>((m_bytes[row] & 0xF0) | statusBits(status));
}

void TokenCounts::assign(const TokenSummary &summary)
{
    m_cells = {};
    for (std::size_t row = 1; row <= summary.tokenCount(); ++row)
        ++m_cells[summary.type(row)][summary.exactlyTranslated(row) ? 8 : summary.flags(row)];
}

void TokenCounts::statusChanged(int type, std::int64_t oldStatus, std::int64_t newStatus)
{
    if (type < 0 || type >= kTypes)
        return;
    auto &byClass = m_cells[type];
    --byClass[classOf(oldStatus)];
    ++byClass[classOf(newStatus)];
}

template <typename F> void TokenCounts::forEach(const TokenFilter &filter, F f) const
{
    const int onlyType = filter.mode == TokenFilter::ByType && filter.type ? TokenSummary::TypeIndex(*filter.type) : -1;
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
    m_rows.reset();
    m_tokenCount = 0;
    m_needsWork.clear();
    m_progress = {};
}

void ListedTokens::assign(SharedListRows rows, const TokenSummary &summary)
{
    m_rows = std::move(rows);
    m_tokenCount = summary.tokenCount();
    const std::size_t n = size();
    m_needsWork.assign((n + 63) / 64, 0);
    m_progress = {};
    for (std::size_t item = 0; item < n; ++item) {
        const std::size_t row = (*m_rows)[item];
        if (row == 0 || row > m_tokenCount)
            continue;
        if (summary.needsWork(row))
            m_needsWork[item >> 6] |= std::uint64_t(1) << (item & 63);
        m_progress.counted += summary.counts(row);
        m_progress.translated += summary.exactlyTranslated(row);
    }
}

std::optional<std::size_t> ListedTokens::itemOf(std::size_t row) const
{
    if (!m_rows || row == 0 || row > m_tokenCount)
        return std::nullopt;
    // The rows are ascending: a search of the list itself needs nothing per row.
    const auto found = std::lower_bound(m_rows->begin(), m_rows->end(), row);
    if (found == m_rows->end() || *found != row)
        return std::nullopt;
    return static_cast<std::size_t>(found - m_rows->begin());
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
    const std::size_t n = size();
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
