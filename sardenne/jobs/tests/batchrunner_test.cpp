#include "batchrunner.h"

#include "consolewindow.h"
#include "qtestfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {



QStringList batchFiles()
{
    return QDir::current().entryList({QStringLiteral("~tamrix*.bat")}, QDir::Files);
}

} // namespace

class BatchRunnerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_saved;
    QString m_standIn;

private slots:
    void init()
    {
        m_saved = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(m_dir->path());
        // A stand-in that records its arguments and the batch file, and can be told
        // to fail or to run long.
        m_standIn = m_dir->filePath(QStringLiteral("standin"));
        writeFile(m_standIn,
                  "#!/bin/sh\n"
                  "[ -f ~tamrix.bat ] && [ ! -L ~tamrix.bat ] && cp ~tamrix.bat batch-copy.txt\n"
                  "printf '%s|' \"$PWD\" >> calls.log\n"
                  "for a in \"$@\"; do printf '[%s]' \"$a\" >> calls.log; done\n"
                  "echo >> calls.log\n"
                  "echo \"stand-in says hello\"\n"
                  "case \"$1\" in\n"
                  "  fail) exit 3;;\n"
                  "  sleep) sleep \"$2\";;\n"
                  // Prints after a while, when nobody may be reading any more, then leaves a mark.
                  "  late) sleep \"$2\"; echo \"still talking\"; echo \"still talking\" >&2; echo done > done.txt;;\n"
                  // Puts another file where the batch file was.
                  "  swap) mv ~tamrix.bat moved.bat; printf 'not yours' > ~tamrix.bat;;\n"
                  "esac\n"
                  "exit 0\n",
                  true);
    }

    void cleanup()
    {
        QDir::setCurrent(m_saved);
        m_dir.reset();
    }

    void writesFourLinesAndCleansUp()
    {
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        const std::string command = m_standIn.toStdString() + " -m C:\\My\\demo.mpj \"two words\"";
        const auto result = runner.Exec(command);
        QCOMPARE(result.outcome, BatchRunner::Result::Succeeded);
        QCOMPARE(readFile(QStringLiteral("batch-copy.txt")),
                 QByteArray("@ECHO OFF\r\necho ") + command.c_str() + "\r\n" + command.c_str() +
                     "\r\nif errorlevel == 1 pause\r\n");
        QCOMPARE(readFile(QStringLiteral("calls.log")),
                 m_dir->path().toUtf8() + "|[-m][C:\\My\\demo.mpj][two words]\n");
        QVERIFY(batchFiles().isEmpty());
        QCOMPARE(runner.running(), 0);
    }

    void returnsAsSoonAsTheCommandEnds()
    {
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        runner.setTimeLimit(20000);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(runner.Exec(m_standIn.toStdString()).outcome, BatchRunner::Result::Succeeded);
        QVERIFY2(timer.elapsed() < 10000, "Exec waited for the limit");
    }

    void failuresAndTheirErrorLevels()
    {
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        auto r = runner.Exec(m_standIn.toStdString() + " fail");
        QCOMPARE(r.outcome, BatchRunner::Result::Failed);
        QCOMPARE(r.exitCode, 3);
        r = runner.Exec("C:\\RLToolsrlman -m demo.mpj");
        QCOMPARE(r.outcome, BatchRunner::Result::Failed);
        QCOMPARE(r.exitCode, 127);
        BatchRunner missing(m_dir->filePath(QStringLiteral("no-interpreter")), nullptr);
        QCOMPARE(missing.Exec(m_standIn.toStdString()).outcome, BatchRunner::Result::NotStarted);
        QVERIFY(batchFiles().isEmpty());
    }

    void hostileBatchNamesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to a file") << QStringLiteral("link");
        QTest::newRow("dangling link") << QStringLiteral("dangling");
        QTest::newRow("FIFO") << QStringLiteral("fifo");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("file left behind") << QStringLiteral("file");
    }

    // Whatever already bears the batch file's name is never followed, opened,
    // written or removed: the command runs from a batch file of its own.
    void hostileBatchNamesAreLeftAlone()
    {
        QFETCH(QString, kind);
        const QString name = QStringLiteral("~tamrix.bat");
        writeFile(QStringLiteral("victim.txt"), "precious");
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(QStringLiteral("victim.txt"), name));
        else if (kind == QLatin1String("dangling"))
            QVERIFY(QFile::link(QStringLiteral("created-through-link.txt"), name));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.toLocal8Bit().constData(), 0600), 0);
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(name + QStringLiteral("/inside")));
        else
            writeFile(name, "left behind");
        struct stat before = {};
        QCOMPARE(::lstat(name.toLocal8Bit().constData(), &before), 0);

        // Opening the FIFO for writing would wait for a reader for ever: a reader
        // that comes after a while turns such a hang into a failure.
        std::mutex lock;
        std::condition_variable told;
        bool finished = false;
        std::thread unblock([&] {
            std::unique_lock<std::mutex> held(lock);
            if (told.wait_for(held, std::chrono::seconds(10), [&] { return finished; }))
                return;
            if (kind == QLatin1String("fifo")) {
                const int fd = ::open("~tamrix.bat", O_RDONLY | O_NONBLOCK);
                // The reader stays until Exec returns (or for a bounded time).
                told.wait_for(held, std::chrono::seconds(5), [&] { return finished; });
                if (fd >= 0)
                    ::close(fd);
            }
        });
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        QElapsedTimer timer;
        timer.start();
        const auto result = runner.Exec(m_standIn.toStdString() + " ran");
        {
            const std::lock_guard<std::mutex> done(lock);
            finished = true;
        }
        told.notify_all();
        unblock.join();
        QVERIFY2(timer.elapsed() < 5000, "Exec waited on the FIFO");
        QCOMPARE(result.outcome, BatchRunner::Result::Succeeded);
        QVERIFY(QByteArray::fromStdString(result.batchFile).endsWith("/~tamrix1.bat"));
        QVERIFY(readFile(QStringLiteral("calls.log")).endsWith("[ran]\n"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("~tamrix1.bat")));
        QCOMPARE(readFile(QStringLiteral("victim.txt")), QByteArray("precious"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("created-through-link.txt")));
        struct stat after = {};
        QCOMPARE(::lstat(name.toLocal8Bit().constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (kind == QLatin1String("file"))
            QCOMPARE(readFile(name), QByteArray("left behind"));
    }

    // A folder where no file can be created (here one removed from under the
    // current directory, which holds even for root).
    void aBatchFileThatCannotBeCreated()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("gone")));
        QDir::setCurrent(QStringLiteral("gone"));
        QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("gone")));
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        const auto result = runner.Exec(m_standIn.toStdString());
        QCOMPARE(result.outcome, BatchRunner::Result::NotWritten);
        QCOMPARE(result.error, ENOENT);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("calls.log"))));
    }

    // The interpreter removes the file it ran, and only that file.
    void anotherFilePutInPlaceOfTheBatchFileStays()
    {
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        QCOMPARE(runner.Exec(m_standIn.toStdString() + " swap").outcome, BatchRunner::Result::Succeeded);
        QCOMPARE(readFile(QStringLiteral("~tamrix.bat")), QByteArray("not yours"));
        QVERIFY(readFile(QStringLiteral("moved.bat")).startsWith("@ECHO OFF\r\n"));
    }

    // A command that outlasts its wait goes on to its end when the runner and
    // the console are gone, printing all the while; its batch file goes then.
    void aCommandOutlivesItsRunner()
    {
        auto console = std::make_unique<ConsoleWindow>();
        auto runner = std::make_unique<BatchRunner>(QStringLiteral(TAMRIXCMD_PATH), console.get());
        runner->setTimeLimit(300);
        QCOMPARE(runner->Exec(m_standIn.toStdString() + " late 1").outcome, BatchRunner::Result::TimedOut);
        QCOMPARE(batchFiles(), QStringList{QStringLiteral("~tamrix.bat")});
        runner.reset();
        console.reset();
        QTRY_COMPARE_WITH_TIMEOUT(readFile(QStringLiteral("done.txt")), QByteArray("done\n"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(batchFiles().isEmpty(), 5000);
    }

    // The same with the interpreter's own output going to a reader that has
    // ended, as when the administrator has closed.
    void theInterpreterKeepsGoingWhenItsReaderHasGone()
    {
        writeFile(QStringLiteral("~tamrix.bat"), QByteArray("@ECHO OFF\r\necho starting\r\n") + m_standIn.toUtf8() +
                                                     " late 1\r\nif errorlevel == 1 pause\r\n");
        QProcess shell;
        // `true` ends at once: every write of the interpreter meets a broken pipe.
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("\"$0\" --delete-when-done ~tamrix.bat | true"),
                     QStringLiteral(TAMRIXCMD_PATH)});
        QVERIFY(shell.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(QStringLiteral("done.txt")), QByteArray("done\n"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(batchFiles().isEmpty(), 5000);
    }

    void aLongCommandIsNotDisturbedByTheNext()
    {
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        QSignalSpy ended(&runner, &BatchRunner::allEnded);
        runner.setTimeLimit(300);
        QCOMPARE(runner.Exec(m_standIn.toStdString() + " sleep 2").outcome, BatchRunner::Result::TimedOut);
        QCOMPARE(runner.running(), 1);
        QCOMPARE(batchFiles(), QStringList{QStringLiteral("~tamrix.bat")});
        runner.setTimeLimit(20000);
        QCOMPARE(runner.Exec(m_standIn.toStdString() + " second").outcome, BatchRunner::Result::Succeeded);
        QCOMPARE(batchFiles(), QStringList{QStringLiteral("~tamrix.bat")}); // the long one's, still in use
        QVERIFY(ended.wait(10000));
        QVERIFY(batchFiles().isEmpty());
        const QList<QByteArray> calls = readFile(QStringLiteral("calls.log")).split('\n');
        QCOMPARE(calls.size(), 3);
        QVERIFY(calls[0].endsWith("[sleep][2]"));
        QVERIFY(calls[1].endsWith("[second]"));
    }

    // However long a line, the console shows at most its first 4096 bytes and
    // its length; lines may come in pieces of any size.
    void theConsoleShowsLongLinesShortened()
    {
        ConsoleWindow console;
        const QByteArray longLine = "rlman -r " + QByteArray(2 << 20, 'x');
        for (qsizetype at = 0; at < longLine.size(); at += 65536)
            console.appendOutput(longLine.mid(at, 65536));
        console.appendOutput("\r");
        console.appendOutput("\nnext line\r\nunder way");
        const QStringList lines = console.toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].left(ConsoleWindow::kLineMax), QString::fromLatin1(longLine.left(ConsoleWindow::kLineMax)));
        QCOMPARE(lines[0].mid(ConsoleWindow::kLineMax),
                 QStringLiteral("\u2026 (%1 caract\u00E8res)").arg(longLine.size()));
        QCOMPARE(lines[1], QStringLiteral("next line"));
        QCOMPARE(lines[2], QStringLiteral("under way"));
    }

    // The same through a real run: the command echoed is shortened, the command
    // itself gets every byte.
    void aLongCommandShowsShortenedInTheConsole()
    {
        ConsoleWindow console;
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), &console);
        const std::string word(50000, 'w');
        const std::string command = m_standIn.toStdString() + " " + word + " " + word + " " + word;
        QCOMPARE(runner.Exec(command).outcome, BatchRunner::Result::Succeeded);
        QTRY_VERIFY(console.toPlainText().contains(QStringLiteral("stand-in says hello")));
        const QStringList lines = console.toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines[0], QString::fromStdString(command.substr(0, ConsoleWindow::kLineMax)) +
                               QStringLiteral("\u2026 (%1 caract\u00E8res)").arg(command.size()));
        QCOMPARE(lines[1], QStringLiteral("stand-in says hello"));
        QCOMPARE(readFile(QStringLiteral("calls.log")).size(), m_dir->path().toUtf8().size() + 1 + 3 * (50000 + 2) + 1);
    }

    void interpreterSplitsWordsAndKeepsBackslashes()
    {
        writeFile(QStringLiteral("t.bat"), QByteArray("@ECHO OFF\r\necho hello there\r\n") + m_standIn.toUtf8() +
                                               " a\\b \"c d\" e\\\\\"f g\" *.tok\r\nif errorlevel == 1 pause\r\n");
        QProcess p;
        p.start(QStringLiteral(TAMRIXCMD_PATH), {QStringLiteral("t.bat")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray("hello there\nstand-in says hello\n"));
        QVERIFY(readFile(QStringLiteral("calls.log")).endsWith("|[a\\b][c d][e\\f g][*.tok]\n"));

        // As the Windows interpreter reads them: percents halved, quoted operators kept.
        writeFile(QStringLiteral("q.bat"), QByteArray("@ECHO OFF\r\necho \"50%%\"\r\n") + m_standIn.toUtf8() +
                                               " \"a&b|c\" \"50%%.prj\" \"%%PATH%%\" \"my dir\\\\\" x^&y\r\n");
        QProcess q;
        q.start(QStringLiteral(TAMRIXCMD_PATH), {QStringLiteral("q.bat")});
        QVERIFY(q.waitForFinished(10000));
        QCOMPARE(q.exitCode(), 0);
        QCOMPARE(q.readAllStandardOutput(), QByteArray("\"50%\"\nstand-in says hello\n"));
        QVERIFY(readFile(QStringLiteral("calls.log")).endsWith("|[a&b|c][50%.prj][%PATH%][my dir\\][x&y]\n"));

        writeFile(QStringLiteral("f.bat"),
                  QByteArray("@ECHO OFF\r\necho \r\n") + m_standIn.toUtf8() + " fail\r\nif errorlevel == 1 pause\r\n");
        QProcess f;
        f.start(QStringLiteral(TAMRIXCMD_PATH), {QStringLiteral("f.bat")});
        f.closeWriteChannel();
        QVERIFY(f.waitForFinished(10000)); // not interactive: the pause goes on at once
        QCOMPARE(f.exitCode(), 3);
        QVERIFY(f.readAllStandardOutput().contains("Appuyez sur une touche"));
    }

    void interpreterRunsNothingOfAFileItWouldReadOtherwise_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("carriage return") << QByteArray("STANDIN a\rtouch PWNED");
        QTest::newRow("tab") << QByteArray("STANDIN\ta");
        QTest::newRow("escape in an echo") << QByteArray("echo \x1B]0;x\x07");
        QTest::newRow("variable") << QByteArray("STANDIN %PATH%");
        QTest::newRow("second command") << QByteArray("STANDIN a & touch PWNED");
        QTest::newRow("redirection") << QByteArray("STANDIN a > PWNED");
    }

    // A control byte, or what the Windows interpreter would take for something
    // else than one command: nothing of the file runs, not even its first lines.
    void interpreterRunsNothingOfAFileItWouldReadOtherwise()
    {
        QFETCH(QByteArray, line);
        line.replace("STANDIN", m_standIn.toUtf8());
        writeFile(QStringLiteral("~tamrix.bat"),
                  "@ECHO OFF\r\n" + m_standIn.toUtf8() + " first\r\n" + line + "\r\nif errorlevel == 1 pause\r\n");
        QProcess p;
        p.start(QStringLiteral(TAMRIXCMD_PATH), {QStringLiteral("--delete-when-done"), QStringLiteral("~tamrix.bat")});
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        const QByteArray said = p.readAllStandardOutput();
        QVERIFY2(said.startsWith("~tamrix.bat, ligne 3 : ") && said.endsWith(" ; rien n'est ex\xE9" "cut\xE9\n"),
                 said.constData());
        QVERIFY(!QFileInfo::exists(QStringLiteral("calls.log")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("PWNED")));
        QVERIFY(batchFiles().isEmpty());
    }
};

QTEST_MAIN(BatchRunnerTest)
#include "batchrunner_test.moc"
