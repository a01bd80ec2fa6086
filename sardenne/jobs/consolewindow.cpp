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
    QByteArray clean = bytes;
    clean.replace("\r\n", "\n");
    moveCursor(QTextCursor::End);
    insertPlainText(FromTokenBytes(std::string_view(clean.constData(), static_cast<std::size_t>(clean.size()))));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ConsoleWindow::showQuietly()
{
    if (!isVisible())
        show();
}
