#include "checks/listcheckcounts.h"

void ListCheckCounts::clear()
{
    m_listed.clear();
    m_counted.clear();
    m_counts = {};
}

void ListCheckCounts::setList(const ListRows &rows, std::size_t tableRows)
{
    m_counts = {};
    m_listed.assign(tableRows + 1, false);
    m_counted.assign(tableRows + 1, 0);
    // Nothing is counted yet: each listed row adds what fired on it.
    for (const std::size_t row : rows) {
        if (row >= m_listed.size())
            continue;
        m_listed[row] = true;
        const CheckMask mask = m_checks ? m_checks->fired(row) : 0;
        if (mask) {
            m_counts.add(mask);
            m_counted[row] = mask;
        }
    }
}

void ListCheckCounts::updateRow(std::size_t row)
{
    if (!m_checks || row >= m_listed.size() || !m_listed[row])
        return;
    const CheckMask mask = m_checks->fired(row);
    if (mask == m_counted[row])
        return;
    m_counts.add(m_counted[row], -1);
    m_counts.add(mask);
    m_counted[row] = mask;
}

void ListCheckCounts::update(std::size_t first, std::size_t last)
{
    for (std::size_t row = first; row <= last && row < m_listed.size(); ++row)
        updateRow(row);
}

void ListCheckCounts::update(const std::vector<std::size_t> &rows)
{
    for (std::size_t row : rows)
        updateRow(row);
}
