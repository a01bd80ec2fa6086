#include "batchrunner.h"

#include "consolewindow.h"
#include "jobcommands.h"
#include "qtext.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
const QString kBatchName = QStringLiteral("~tamrix.bat");
}

BatchRunner::BatchRunner(QString interpreter, ConsoleWindow *console, QObject *parent)
    : QObject(parent), m_interpreter(std::move(interpreter)), m_console(console)
{
}

BatchRunner::~BatchRunner() = default;

// "~tamrix.bat", unless an earlier command that outlasted its wait still uses it.
QString BatchRunner::freeBatchName() const
{
    if (!QFile::exists(kBatchName))
        return kBatchName;
    for (int i = 1;; ++i) {
        const QString name = QStringLiteral("~tamrix%1.bat").arg(i);
        if (!QFile::exists(name))
            return name;
    }
}

BatchRunner::Result BatchRunner::Exec(const std::string &commandLine)
{
    Result result;
    // A batch file left from a run that is over belongs to nobody: write over it.
    const QString name = m_running == 0 ? kBatchName : freeBatchName();
    const QString path = QDir::current().absoluteFilePath(name);
    result.batchFile = path;
    {
        QFile file(path);
        const std::string bytes = BatchFileText(commandLine);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            file.close();
            QFile::remove(path);
            result.outcome = Result::NotWritten;
            return result;
        }
    }

    auto *process = new QProcess(this);
    process->setWorkingDirectory(QDir::currentPath());
    process->setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_WIN
    process->setProgram(QStringLiteral("cmd.exe"));
    process->setNativeArguments(QStringLiteral("/c ") + name);
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags |= CREATE_NEW_CONSOLE;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
#else
    process->setProgram(m_interpreter);
    process->setArguments({name});
#endif
    if (m_console) {
        m_console->showQuietly();
        connect(process, &QProcess::readyRead, m_console,
                [console = m_console, process] { console->appendOutput(process->readAll()); });
    }

    // Shared with the end handler, which may run after this call has returned.
    struct Wait
    {
        bool ended = false;
        bool normalExit = true;
        int exitCode = 0;
        QEventLoop *loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    connect(process, &QProcess::finished, this, [this, process, path, wait](int code, QProcess::ExitStatus status) {
        wait->ended = true;
        wait->exitCode = code;
        wait->normalExit = status == QProcess::NormalExit;
        if (wait->loop)
            wait->loop->quit();
        QFile::remove(path);
        process->deleteLater();
        if (--m_running == 0)
            emit allEnded();
    });
    process->start();
    if (!process->waitForStarted(5000)) {
        QFile::remove(path);
        process->deleteLater();
        result.outcome = Result::NotStarted;
        return result;
    }
    ++m_running;
    if (!wait->ended) {
        QEventLoop loop;
        wait->loop = &loop;
        QTimer::singleShot(m_limit, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        wait->loop = nullptr;
    }
    if (!wait->ended) {
        result.outcome = Result::TimedOut; // left running; its batch file goes when it ends
        return result;
    }
    if (!wait->normalExit || wait->exitCode != 0) {
        result.outcome = Result::Failed;
        result.exitCode = wait->normalExit ? wait->exitCode : -1;
    }
    return result;
}
