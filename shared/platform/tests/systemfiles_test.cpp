#include "desktop.h"
#include "systemfiles.h"

#include "qtestfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fstream>

#include <sys/stat.h>

class SystemFilesTest : public QObject
{
    Q_OBJECT

private slots:
    // Names and arguments that are not valid in the system's encoding reach the
    // started program as the bytes given.
    void startedProgramsGetTheirBytes()
    {
        TestFolder dir;
        const std::string root = QFile::encodeName(dir.path()).toStdString();
        const std::string folder = root + "/caf\xE9";
        QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
        const QString log = dir.filePath(QStringLiteral("log"));
        writeFile(dir.filePath(QStringLiteral("record")),
                  "#!/bin/sh\n"
                  "{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } > \"" + log.toUtf8() + ".part\"\n"
                  "mv \"" + log.toUtf8() + ".part\" \"" + log.toUtf8() + "\"\n",
                  true);
        QtDesktop desktop;
        QVERIFY(desktop.startProgram(root + "/record", {"\xE9t\xE9.prj", "two words", ""}, folder));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
        QCOMPARE(readFile(log), QByteArray::fromStdString(folder + "\n[\xE9t\xE9.prj][two words][]\n"));

        QVERIFY(!desktop.startProgram(root + "/missing", {}, folder));
        QVERIFY(!desktop.startProgram(root + "/record", {}, root + "/no-such-folder"));
    }

    void dateOfAFileNamedByBytes()
    {
        TestFolder dir;
        const std::string name = QFile::encodeName(dir.path()).toStdString() + "/\xE9t\xE9.tok";
        std::ofstream(name) << "x";
        QVERIFY(FileModified(name).isValid());
        QVERIFY(qAbs(FileModified(name).secsTo(QDateTime::currentDateTime())) < 60);
        QVERIFY(!FileModified(name + ".missing").isValid());
    }

    void createdFilesAreNewAndRemovedOnlyWhileTheirs()
    {
        TestFolder dir;
        const std::string path = QFile::encodeName(dir.filePath(QStringLiteral("new.txt"))).toStdString();
        CreatedFile file;
        QCOMPARE(CreateNewFile(path, "abc", &file), 0);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("new.txt"))), QByteArray("abc"));
        CreatedFile again;
        QCOMPARE(CreateNewFile(path, "def", &again), EEXIST);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("new.txt"))), QByteArray("abc"));
        // Replaced by another file of the same name: that one stays.
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("new.txt")), dir.filePath(QStringLiteral("moved.txt"))));
        writeFile(dir.filePath(QStringLiteral("new.txt")), "other");
        QVERIFY(!RemoveCreatedFile(file));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("new.txt"))), QByteArray("other"));
        CreatedFile third;
        QCOMPARE(CreateNewFile(path + ".2", "x", &third), 0);
        QVERIFY(RemoveCreatedFile(third));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new.txt.2"))));
    }
};

QTEST_MAIN(SystemFilesTest)
#include "systemfiles_test.moc"
