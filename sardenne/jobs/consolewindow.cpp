#include "consolewindow.h"

#include "qtext.h"

#include <QFontDatabase>
#include <QScrollBar>

ConsoleWindow::ConsoleWindow(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("console"));
    setWindowTitle(QStringLiteral("Console"));
    setWindowFlag(Qt::Window, true);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setFocusPolicy(Qt::NoFocus);
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(640, 320);
}

void ConsoleWindow::appendOutput(const QByteArray &bytes)
{
    // One pass over the bytes: what a line shows is cut at kLineMax, and the
    // text inserted is at most that much a line, however long the line is.
    QString text;
    QByteArray shown;
    auto flush = [&] {
        text += FromTokenBytes(std::string_view(shown.constData(), static_cast<std::size_t>(shown.size())));
        shown.clear();
    };
    for (const char c : bytes) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (m_lineLength > kLineMax) {
                flush();
                text += QStringLiteral("\u2026 (%1 caract\u00E8res)").arg(m_lineLength);
            }
            shown += '\n';
            m_lineLength = 0;
            continue;
        }
        if (m_lineLength++ < kLineMax)
            shown += c;
    }
    flush();
    if (text.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ConsoleWindow::showQuietly()
{
    if (!isVisible())
        show();
}
