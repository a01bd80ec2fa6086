#include "window/checks/checkpane.h"

#include <QFontMetrics>

namespace quenlit {

CheckPane::CheckPane(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lbCheck"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The label is sized by the pane, never by its text.
    setMinimumWidth(0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void CheckPane::showToken(const QStringList &messages, const QStringList &suggestions)
{
    m_messages = messages;
    m_suggestions = suggestions;
    refresh();
}

void CheckPane::clearToken()
{
    showToken({}, {});
}

QString CheckPane::fullText() const
{
    QString text = m_messages.join(QStringLiteral("  \u00B7  "));
    for (int i = 0; i < m_suggestions.size(); ++i) {
        if (i == 0)
            text += QString(text.isEmpty() ? QString() : QStringLiteral("  \u00B7  ")) + QStringLiteral("Suggestion: ");
        else
            text += QStringLiteral("   ");
        text += m_suggestions[i] + QStringLiteral(" (Ctrl+") + QString::number(i + 1) + QLatin1Char(')');
    }
    return text;
}

void CheckPane::refresh()
{
    const QString full = fullText();
    setText(fontMetrics().elidedText(full, Qt::ElideRight, width()));
    QString tip = m_messages.join(QLatin1Char('\n'));
    for (int i = 0; i < m_suggestions.size(); ++i)
        tip += QString(tip.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("Ctrl+") +
               QString::number(i + 1) + QStringLiteral(": ") + m_suggestions[i];
    setToolTip(tip);
}

void CheckPane::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    refresh();
}

} // namespace quenlit
