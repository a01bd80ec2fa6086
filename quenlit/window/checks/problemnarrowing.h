#pragma once

#include "checks/checks.h"
#include "find/listnarrowing.h"

namespace quenlit {

// "Show only tokens with problems": narrows the token list, as the find box
// does, to the tokens for which a check fires.
class ProblemNarrowing final : public RowNarrowing
{
public:
    explicit ProblemNarrowing(const ProjectChecks &checks) : m_checks(checks) {}

    void setActive(bool active) { m_active = active; }
    bool active() const override { return m_active; }
    bool accepts(std::size_t row) const override { return m_checks.fired(row) != 0; }

private:
    const ProjectChecks &m_checks;
    bool m_active = false;
};

} // namespace quenlit
