#include "systemfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include "posixfiles.h"
#endif

int CreateNewFile(const std::string &path, std::string_view bytes, CreatedFile *file)
{
#ifdef Q_OS_UNIX
    posix::FileId id;
    const int error = posix::CreateNewFile(path, bytes, &id);
    if (error == 0 && file)
        *file = {path, id.device, id.inode};
    return error;
#else
    const QString name = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
    if (QFileInfo::exists(name) || QFileInfo(name).isSymLink())
        return EEXIST;
    QFile out(name);
    if (!out.open(QIODevice::NewOnly))
        return QFileInfo::exists(name) ? EEXIST : EACCES;
    if (out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !out.flush()) {
        out.close();
        out.remove();
        return EIO;
    }
    out.close();
    if (file)
        *file = {path, 0, 0};
    return 0;
#endif
}

bool RemoveCreatedFile(const CreatedFile &file)
{
#ifdef Q_OS_UNIX
    return posix::RemoveIfSame(file.path, {file.device, file.inode});
#else
    return QFile::remove(QString::fromLocal8Bit(file.path.data(), static_cast<qsizetype>(file.path.size())));
#endif
}

QDateTime FileModified(const std::string &path)
{
#ifdef Q_OS_UNIX
    const auto time = posix::LastModified(path);
    if (!time)
        return {};
    return QDateTime::fromMSecsSinceEpoch(time->seconds * 1000 + time->nanoseconds / 1000000);
#else
    return QFileInfo(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()))).lastModified();
#endif
}

std::string CurrentFolderPath()
{
#ifdef Q_OS_UNIX
    return posix::CurrentFolder();
#else
    return QDir::currentPath().toLocal8Bit().toStdString();
#endif
}

QString SystemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool StartDetachedProgram(const std::string &program, const std::vector<std::string> &arguments,
                          const std::string &folder)
{
#ifdef Q_OS_UNIX
    return posix::StartDetached(program, arguments, folder) == 0;
#else
    auto text = [](const std::string &bytes) {
        return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    QStringList words;
    for (const std::string &a : arguments)
        words << text(a);
    return QProcess::startDetached(text(program), words, text(folder));
#endif
}
