#include "checks/masterrows.h"

#include <algorithm>
#include <limits>

void MasterRows::reset(std::size_t rows)
{
    m_rows = rows;
    m_blocks.assign((rows >> kBlockBits) + 1, Block());
    m_blocks.shrink_to_fit();
    m_others.clear();
    m_others.shrink_to_fit();
    m_wideOthers.clear();
}

void MasterRows::forget(std::size_t row)
{
    Block &block = m_blocks[row >> kBlockBits];
    block.follows &= ~(std::uint64_t(1) << (row & 63));
    if (row <= std::numeric_limits<std::uint32_t>::max()) {
        const auto at = std::lower_bound(m_others.begin(), m_others.end(), std::make_pair(std::uint32_t(row), 0u));
        if (at != m_others.end() && at->first == row)
            m_others.erase(at);
    }
    m_wideOthers.erase(std::remove_if(m_wideOthers.begin(), m_wideOthers.end(),
                                      [row](const auto &other) { return other.first == row; }),
                       m_wideOthers.end());
}

void MasterRows::set(std::size_t row, std::size_t masterRow)
{
    if (row == 0 || row > m_rows)
        return;
    forget(row);
    if (masterRow == 0)
        return;
    Block &block = m_blocks[row >> kBlockBits];
    const std::int64_t distance = static_cast<std::int64_t>(masterRow) - static_cast<std::int64_t>(row);
    if (!block.hasDistance) {
        block.distance = distance;
        block.hasDistance = true;
    }
    if (block.distance == distance) {
        block.follows |= std::uint64_t(1) << (row & 63);
        return;
    }
    constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (row > kMax || masterRow > kMax) {
        m_wideOthers.emplace_back(row, masterRow);
        return;
    }
    // Rows come in increasing order as the index is built: the new one goes last.
    const std::pair<std::uint32_t, std::uint32_t> other(static_cast<std::uint32_t>(row),
                                                         static_cast<std::uint32_t>(masterRow));
    if (m_others.empty() || m_others.back().first < row)
        m_others.push_back(other);
    else
        m_others.insert(std::lower_bound(m_others.begin(), m_others.end(), other), other);
}

std::size_t MasterRows::get(std::size_t row) const
{
    if (row == 0 || row > m_rows)
        return 0;
    const Block &block = m_blocks[row >> kBlockBits];
    if (block.follows >> (row & 63) & 1)
        return static_cast<std::size_t>(static_cast<std::int64_t>(row) + block.distance);
    if (row <= std::numeric_limits<std::uint32_t>::max()) {
        const auto at = std::lower_bound(m_others.begin(), m_others.end(), std::make_pair(std::uint32_t(row), 0u));
        if (at != m_others.end() && at->first == row)
            return at->second;
    }
    for (const auto &other : m_wideOthers) {
        if (other.first == row)
            return other.second;
    }
    return 0;
}

std::size_t MasterRows::bytesHeld() const
{
    return m_blocks.capacity() * sizeof(Block) + m_others.capacity() * sizeof(m_others[0]) +
           m_wideOthers.capacity() * sizeof(m_wideOthers[0]);
}
