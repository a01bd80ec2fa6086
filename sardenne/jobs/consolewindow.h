#pragma once

#include <QPlainTextEdit>

// The console of the batch runs: a separate window with a fixed-pitch font that
// shows what the batches print, live. It opens without taking the focus, is
// reused for every run and keeps its text.
class ConsoleWindow : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ConsoleWindow(QWidget *parent = nullptr);

    void appendOutput(const QByteArray &bytes);
    void showQuietly();
};
