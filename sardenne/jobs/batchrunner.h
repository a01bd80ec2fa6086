#pragma once

#include <QObject>
#include <QString>

#include <string>

class ConsoleWindow;
class QProcess;

// Runs one command line through a batch file in the current directory and waits
// for it, at most a time limit, while the windows keep painting but take no
// user input. Each batch file is created new, under a free name: an existing
// name of any kind is never followed, opened or removed. A command runs to its
// end whatever becomes of the runner or of the program; its batch file goes
// when it ends.
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
            NotWritten   // the batch file could not be created
        };
        Outcome outcome = Succeeded;
        int exitCode = 0;
        std::string batchFile; // the path of the batch file, or of the one tried first
        int error = 0;         // the system's error number when NotWritten
    };

    // `interpreter` runs the batch files on platforms without cmd.exe; the
    // console is not owned and may be null.
    explicit BatchRunner(QString interpreter, ConsoleWindow *console, QObject *parent = nullptr);
    // Commands still running go on without their output being read.
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
    QString m_interpreter;
    ConsoleWindow *m_console; // not owned
    int m_limit = 30000;
    int m_running = 0;
};
