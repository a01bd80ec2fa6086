#pragma once

#include <QPlainTextEdit>

// The console of the batch runs: a separate window with a fixed-pitch font that
// shows what the batches print, live. It opens without taking the focus, is
// reused for every run and keeps its text. A line longer than kLineMax bytes
// shows its first kLineMax bytes, then its length.
class ConsoleWindow : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr qsizetype kLineMax = 4096;

    explicit ConsoleWindow(QWidget *parent = nullptr);

    // Output as it comes, in pieces of any size: a line may span several calls.
    void appendOutput(const QByteArray &bytes);
    void showQuietly();

private:
    qsizetype m_lineLength = 0; // bytes of the line under way, carriage returns left out
};
