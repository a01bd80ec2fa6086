#include "batchrunner.h"

#include "qtestfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
                  "cp ~tamrix.bat batch-copy.txt 2>/dev/null\n"
                  "printf '%s|' \"$PWD\" >> calls.log\n"
                  "for a in \"$@\"; do printf '[%s]' \"$a\" >> calls.log; done\n"
                  "echo >> calls.log\n"
                  "echo \"stand-in says hello\"\n"
                  "case \"$1\" in fail) exit 3;; sleep) sleep \"$2\";; esac\n"
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

    void aBatchFileThatCannotBeWritten()
    {
        QDir().mkpath(QStringLiteral("~tamrix.bat/inside"));
        BatchRunner runner(QStringLiteral(TAMRIXCMD_PATH), nullptr);
        QCOMPARE(runner.Exec(m_standIn.toStdString()).outcome, BatchRunner::Result::NotWritten);
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

        writeFile(QStringLiteral("f.bat"),
                  QByteArray("@ECHO OFF\r\necho \r\n") + m_standIn.toUtf8() + " fail\r\nif errorlevel == 1 pause\r\n");
        QProcess f;
        f.start(QStringLiteral(TAMRIXCMD_PATH), {QStringLiteral("f.bat")});
        f.closeWriteChannel();
        QVERIFY(f.waitForFinished(10000)); // not interactive: the pause goes on at once
        QCOMPARE(f.exitCode(), 3);
        QVERIFY(f.readAllStandardOutput().contains("Appuyez sur une touche"));
    }
};

QTEST_MAIN(BatchRunnerTest)
#include "batchrunner_test.moc"
