#pragma once

#include "checks/checks.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace quenlit {

// What the token list's "Check" column shows for a token: the ids of the checks
// that fire (empty when none, and while the token waits for its turn), an icon
// for the worst level, and the messages in the tooltip.
class CheckColumn
{
public:
    // Not owned; null shows nothing.
    void setChecks(const ProjectChecks *checks) { m_checks = checks; }
    const ProjectChecks *checks() const { return m_checks; }

    QVariant data(std::size_t row, int role) const;

    // "error: [accelerator] message" lines, one per finding.
    static QString messages(const ProjectChecks &checks, std::size_t row);
    static QString headerText() { return QStringLiteral("Check"); }

private:
    const ProjectChecks *m_checks = nullptr;
};

// The worst level of a mask, or nothing when it is empty.
std::optional<CheckLevel> WorstLevel(CheckMask mask);

} // namespace quenlit
