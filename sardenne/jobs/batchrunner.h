#pragma once

#include <QObject>
#include <QString>

#include <string>

class ConsoleWindow;
class QProcess;

// Runs one command line through a batch file in the current directory and waits
// for it, at most a time limit, while the windows keep painting but take no
// user input. A command that outlasts the limit is left running with its own
// batch file, which goes once its process has ended.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        enum Outcome
        {
            Succeeded,
            Failed,      // ended with a non-zero error level
            TimedOut,    // still running at the limit
            NotStarted,  // the interpreter could not be started
            NotWritten   // the batch file could not be written
        };
        Outcome outcome = Succeeded;
        int exitCode = 0;
        QString batchFile;
    };

    // `interpreter` runs the batch files on platforms without cmd.exe; the
    // console is not owned and may be null.
    explicit BatchRunner(QString interpreter, ConsoleWindow *console, QObject *parent = nullptr);
    ~BatchRunner() override;

    void setTimeLimit(int milliseconds) { m_limit = milliseconds; }
    int timeLimit() const { return m_limit; }

    // The command line is 8-bit text, written into the batch file unchanged.
    Result Exec(const std::string &commandLine);

    // Batch processes that are still running.
    int running() const { return m_running; }

signals:
    void allEnded();

private:
    QString freeBatchName() const;

    QString m_interpreter;
    ConsoleWindow *m_console; // not owned
    int m_limit = 30000;
    int m_running = 0;
};
