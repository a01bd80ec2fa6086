#pragma once

#include "checks/checks.h"
#include "listing/listrows.h"

#include <vector>

// The errors, warnings and infos of the tokens in a list (the token list as the
// filters and narrowings leave it), kept up to date as rows get checked or
// rechecked at a cost proportional to the rows that changed.
class ListCheckCounts
{
public:
    // Not owned.
    void setChecks(const ProjectChecks *checks) { m_checks = checks; }
    // A new list: counted anew.
    void setList(const ListRows &rows, std::size_t tableRows);
    void clear();
    // The results of these table rows may have changed.
    void update(std::size_t first, std::size_t last);
    void update(const std::vector<std::size_t> &rows);

    const LevelCounts &counts() const { return m_counts; }

private:
    void updateRow(std::size_t row);

    const ProjectChecks *m_checks = nullptr;
    std::vector<bool> m_listed;       // per table row
    std::vector<CheckMask> m_counted; // per table row: the mask the counts hold
    LevelCounts m_counts;
};
