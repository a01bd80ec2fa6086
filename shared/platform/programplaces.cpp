#include "programplaces.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifndef TAMRIX_PRIVATE_FROM_BIN
#error "TAMRIX_PRIVATE_FROM_BIN: the private folder relative to bin/, set by the build"
#endif

namespace ProgramPlaces {

namespace {

QString programName(const char *name)
{
#ifdef Q_OS_WIN
    return QString::fromLatin1(name) + QStringLiteral(".exe");
#else
    return QString::fromLatin1(name);
#endif
}

// The folders that may hold what the programs start: as installed, then as built.
QStringList privateFolders(const QString &programFolder)
{
    const QDir bin(programFolder);
    return {QDir::cleanPath(bin.absoluteFilePath(QStringLiteral(TAMRIX_PRIVATE_FROM_BIN))),
            QDir::cleanPath(bin.absolutePath())};
}

bool isProgram(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString Interpreter(const QString &programFolder)
{
    const QString name = programName("tamrixcmd");
    for (const QString &folder : privateFolders(programFolder)) {
        const QString candidate = QDir(folder).filePath(name);
        if (isProgram(candidate))
            return candidate;
    }
    return QDir::cleanPath(QDir(programFolder).absoluteFilePath(name));
}

QString OurRLToolsFolder(const QString &programFolder)
{
    for (const QString &folder : privateFolders(programFolder)) {
        const QString rltools = QDir(folder).filePath(QStringLiteral("rltools"));
        if (isProgram(QDir(rltools).filePath(programName("rlman"))))
            return QDir::toNativeSeparators(rltools) + QDir::separator();
    }
    return {};
}

} // namespace ProgramPlaces
