#include "posixfiles.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace posix {

namespace {

FileId idOf(const struct stat &st)
{
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

int CreateNewFile(const std::string &path, std::string_view bytes, FileId *id)
{
    // O_EXCL with O_CREAT fails on any existing name, a link included, without following it.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return error; // not known for sure to be ours: left where it is
    }
    const FileId created = idOf(st);
    int error = writeAll(fd, bytes) ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        RemoveIfSame(path, created);
        return error;
    }
    if (id)
        *id = created;
    return 0;
}

int ReadRegularFile(const std::string &path, std::string *bytes, FileId *id)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        return error;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (bytes)
        *bytes = std::move(content);
    if (id)
        *id = idOf(st);
    return 0;
}

bool RemoveIfSame(const std::string &path, const FileId &id)
{
    struct stat st = {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const FileId now = idOf(st);
    if (now.device != id.device || now.inode != id.inode)
        return false;
    return ::unlink(path.c_str()) == 0;
}

std::optional<FileTime> LastModified(const std::string &path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileTime{static_cast<long long>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec)};
}

std::string CurrentFolder()
{
    std::string buffer(4096, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.c_str());
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

int StartDetached(const std::string &program, const std::vector<std::string> &arguments, const std::string &folder)
{
    // Everything the children need is made before forking: after fork only
    // async-signal-safe calls are allowed.
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; on success the
    // exec closes it and the parent reads nothing.
    int report[2];
    if (::pipe(report) != 0)
        return errno;
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (folder.empty() || ::chdir(folder.c_str()) == 0)
            ::execvp(argv[0], argv.data());
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (n != static_cast<ssize_t>(sizeof error))
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : ECHILD;
    return error;
}

} // namespace posix
