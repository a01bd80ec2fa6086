#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <filesystem>
#include <system_error>

// Writes a test file whole; `executable` makes it runnable by its owner.
inline void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A temporary folder that also goes when it holds names that are not valid
// UTF-8: QTemporaryDir removes through QString and leaves such names behind.
class TestFolder : public QTemporaryDir
{
public:
    ~TestFolder()
    {
        if (isValid()) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path()).toStdString()), ignored);
        }
    }
};
