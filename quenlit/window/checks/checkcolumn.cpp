#include "window/checks/checkcolumn.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace quenlit {

std::optional<CheckLevel> WorstLevel(CheckMask mask)
{
    std::optional<CheckLevel> worst;
    for (int i = 0; i < kCheckCount; ++i) {
        const auto id = static_cast<CheckId>(i);
        if ((mask & MaskOf(id)) && (!worst || LevelOf(id) > *worst))
            worst = LevelOf(id);
    }
    return worst;
}

QString CheckColumn::messages(const ProjectChecks &checks, std::size_t row)
{
    QString text;
    for (const Finding &f : checks.findings(row)) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromLatin1(LevelName(LevelOf(f.id))) + QStringLiteral(": [") +
                QString::fromLatin1(CheckName(f.id)) + QStringLiteral("] ") + QString::fromStdString(f.message);
    }
    return text;
}

QVariant CheckColumn::data(std::size_t row, int role) const
{
    if (!m_checks)
        return {};
    const CheckMask mask = m_checks->fired(row);
    if (!mask)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(CheckNames(mask));
    case Qt::ToolTipRole:
        return messages(*m_checks, row);
    case Qt::DecorationRole: {
        const auto worst = WorstLevel(mask);
        const QStyle::StandardPixmap pixmap = *worst == CheckLevel::Error     ? QStyle::SP_MessageBoxCritical
                                              : *worst == CheckLevel::Warning ? QStyle::SP_MessageBoxWarning
                                                                              : QStyle::SP_MessageBoxInformation;
        return QApplication::style()->standardIcon(pixmap);
    }
    default:
        break;
    }
    return {};
}

} // namespace quenlit
