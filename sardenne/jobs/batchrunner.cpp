#include "batchrunner.h"

#include "consolewindow.h"
#include "jobcommands.h"
#include "systemfiles.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// "~tamrix.bat", then "~tamrix1.bat" and on while a name is taken: by a command
// that outlasted its wait, a file left behind, or anything else put there.
constexpr int kBatchNames = 1000;

std::string batchName(int i)
{
    return i == 0 ? std::string("~tamrix.bat") : "~tamrix" + std::to_string(i) + ".bat";
}

} // namespace

BatchRunner::BatchRunner(QString interpreter, ConsoleWindow *console, QObject *parent)
    : QObject(parent), m_interpreter(std::move(interpreter)), m_console(console)
{
}

BatchRunner::~BatchRunner()
{
    // Destroying a QProcess kills its process. A command still running is let
    // run to its end instead: nobody reads its output any more, and its QProcess
    // goes once it has ended (or never, when the program ends first).
    const auto processes = findChildren<QProcess *>(QString(), Qt::FindDirectChildrenOnly);
    for (QProcess *process : processes) {
        disconnect(process, nullptr, nullptr, nullptr);
        if (process->state() == QProcess::NotRunning) {
            delete process;
            continue;
        }
        process->setParent(nullptr);
        process->closeReadChannel(QProcess::StandardOutput);
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
}

BatchRunner::Result BatchRunner::Exec(const std::string &commandLine)
{
    Result result;
    const std::string folder = CurrentFolderPath();
    const std::string bytes = BatchFileText(commandLine);
    std::string name;
    CreatedFile batch;
    int error = EEXIST;
    for (int i = 0; i < kBatchNames && error == EEXIST; ++i) {
        name = batchName(i);
        error = CreateNewFile(name, bytes, &batch);
        if (i == 0 || error == 0)
            result.batchFile = folder.empty() ? name : folder + "/" + name;
    }
    if (error != 0) {
        result.outcome = Result::NotWritten;
        result.error = error;
        return result;
    }

    // The process inherits the current directory: its name may not survive a
    // trip through QString.
    auto *process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_WIN
    process->setProgram(QStringLiteral("cmd.exe"));
    process->setNativeArguments(QStringLiteral("/c ") + QString::fromLocal8Bit(name.c_str()));
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags |= CREATE_NEW_CONSOLE;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
#else
    // The interpreter removes its batch file when it ends, so that it goes even
    // when this program has ended first. A session of its own keeps it out of
    // whatever happens to this program's terminal.
    process->setProgram(m_interpreter);
    process->setArguments({QStringLiteral("--delete-when-done"), QString::fromLatin1(name.c_str())});
    process->setChildProcessModifier([] { ::setsid(); });
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
    connect(process, &QProcess::finished, this, [this, process, batch, wait](int code, QProcess::ExitStatus status) {
        wait->ended = true;
        wait->exitCode = code;
        wait->normalExit = status == QProcess::NormalExit;
        if (wait->loop)
            wait->loop->quit();
#ifdef Q_OS_WIN
        RemoveCreatedFile(batch); // cmd.exe leaves its batch file
#else
        Q_UNUSED(batch);
#endif
        process->deleteLater();
        if (--m_running == 0)
            emit allEnded();
    });
    process->start();
    if (!process->waitForStarted(5000)) {
        disconnect(process, nullptr, nullptr, nullptr);
        RemoveCreatedFile(batch);
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
