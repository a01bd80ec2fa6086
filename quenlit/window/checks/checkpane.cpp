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

void CheckPane::showToken(const QStringList &messages, const QStringList &suggestions, const QStringList &notes,
                          const QStringList &details)
{
    m_messages = messages;
    m_suggestions = suggestions;
    m_notes = notes;
    m_details = details;
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
        const QString note = m_notes.value(i);
        text += m_suggestions[i] + QStringLiteral(" (") + (note.isEmpty() ? QString() : note + QStringLiteral(", ")) +
                QStringLiteral("Ctrl+") + QString::number(i + 1) + QLatin1Char(')');
        if (!m_details.value(i).isEmpty())
            text += QStringLiteral(" ") + m_details[i];
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
               QString::number(i + 1) + QStringLiteral(": ") + m_suggestions[i] +
               (m_notes.value(i).isEmpty() ? QString() : QStringLiteral("  (") + m_notes[i] + QLatin1Char(')')) +
               (m_details.value(i).isEmpty() ? QString() : QStringLiteral("\n        ") + m_details[i]);
    setToolTip(tip);
}

void CheckPane::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    refresh();
}

} // namespace quenlit
