// The store's system calls on POSIX systems.
#include "store/sysfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace sysfile {

namespace {

std::int64_t modifiedNs(const struct stat &st)
{
#if defined(__APPLE__)
    return static_cast<std::int64_t>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
}

FileInfo infoFrom(const struct stat &st)
{
    FileInfo info;
    info.exists = true;
    info.regular = S_ISREG(st.st_mode);
    info.directory = S_ISDIR(st.st_mode);
    info.symlink = S_ISLNK(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modifiedNs = modifiedNs(st);
    info.inode = static_cast<std::uint64_t>(st.st_ino);
    info.device = static_cast<std::uint64_t>(st.st_dev);
    info.links = static_cast<std::uint64_t>(st.st_nlink);
    info.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    info.owner = static_cast<std::uint32_t>(st.st_uid);
    info.group = static_cast<std::uint32_t>(st.st_gid);
    return info;
}

int retryOnSignal(int result)
{
    return result < 0 ? errno : 0;
}

TraceHook g_trace = nullptr;

void trace(const char *call, const std::string &path)
{
    if (g_trace)
        g_trace(call, path);
}

} // namespace

void SetTraceHook(TraceHook hook)
{
    g_trace = hook;
}

FileInfo Inspect(const std::string &path, bool follow)
{
    struct stat st;
    const int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0) {
        FileInfo info;
        info.error = errno;
        return info;
    }
    return infoFrom(st);
}

std::string FolderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ResolveLinks(const std::string &path, std::string &resolved)
{
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = current; // not a link (or not there): this is the file
            return 0;
        }
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0)
            return errno;
        target.resize(static_cast<std::size_t>(n));
        if (!target.empty() && target.front() == '/')
            current = target;
        else
            current = (current.find('/') == std::string::npos ? std::string() : FolderOf(current)) + target;
    }
    return ELOOP;
}

int AbsolutePath(const std::string &path, std::string &absolute)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return errno;
    absolute = real;
    std::free(real);
    return 0;
}

int CheckWritable(const std::string &path)
{
    return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

std::string ErrorText(int error)
{
    return std::strerror(error);
}

File::~File()
{
    close();
}

File::File(File &&other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

File &File::operator=(File &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

namespace {

int openInto(const std::string &path, int flags, mode_t mode, int &fd)
{
    // A file that a program holds under a read lease (as this one does with the
    // token files it maps) refuses a non-blocking open for writing at first: the
    // holder is told to let go, which takes it moments, and the open is tried
    // again. The system ends a lease that is not let go within its lease-break
    // time.
    int waitedMs = 0;
    for (;;) {
        // Never through a link: every file the store opens is one of its own
        // beside the token file (backup, temporary, lock, marker, journal) or
        // the token file with its links already resolved.
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || !(flags & O_NONBLOCK) || waitedMs >= 120000)
            return errno;
        const int step = waitedMs < 100 ? 1 : 20;
        ::usleep(static_cast<useconds_t>(step) * 1000);
        waitedMs += step;
    }
}

} // namespace

int File::CreateNew(const std::string &path, File &file, std::uint32_t mode)
{
    file.close();
    file.m_path = path;
    return openInto(path, O_WRONLY | O_CREAT | O_EXCL, static_cast<mode_t>(mode), file.m_fd);
}

int File::OpenExisting(const std::string &path, File &file)
{
    file.close();
    file.m_path = path;
    return openInto(path, O_WRONLY | O_NONBLOCK, 0, file.m_fd);
}

int File::OpenForReading(const std::string &path, File &file)
{
    file.close();
    file.m_path = path;
    return openInto(path, O_RDONLY | O_NONBLOCK, 0, file.m_fd);
}

int File::writeAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int File::writeAt(std::uint64_t offset, std::string_view bytes)
{
    trace("write", m_path);
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

int File::read(std::string &bytes, std::size_t max)
{
    bytes.resize(max);
    for (;;) {
        const ssize_t n = ::read(m_fd, bytes.data(), max);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return errno;
        }
        bytes.resize(static_cast<std::size_t>(n));
        return 0;
    }
}

int File::readAll(std::string &bytes)
{
    bytes.clear();
    std::string chunk;
    for (;;) {
        if (const int error = read(chunk, 1 << 20))
            return error;
        if (chunk.empty())
            return 0;
        bytes += chunk;
    }
}

int File::truncate(std::uint64_t size)
{
    return retryOnSignal(::ftruncate(m_fd, static_cast<off_t>(size)));
}

int File::sync()
{
    trace("sync", m_path);
    return retryOnSignal(::fsync(m_fd));
}

int File::syncData()
{
    trace("sync", m_path);
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0 && !defined(__APPLE__)
    return retryOnSignal(::fdatasync(m_fd));
#else
    return retryOnSignal(::fsync(m_fd));
#endif
}

int File::setModifiedTime(std::int64_t ns)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000);
    return retryOnSignal(::futimens(m_fd, times));
}

int File::setMode(std::uint32_t mode)
{
    return retryOnSignal(::fchmod(m_fd, static_cast<mode_t>(mode)));
}

int File::setOwner(std::uint32_t owner, std::uint32_t group)
{
    return retryOnSignal(::fchown(m_fd, static_cast<uid_t>(owner), static_cast<gid_t>(group)));
}

int File::setGroup(std::uint32_t group)
{
    return retryOnSignal(::fchown(m_fd, static_cast<uid_t>(-1), static_cast<gid_t>(group)));
}

FileInfo File::info() const
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0) {
        FileInfo info;
        info.error = errno;
        return info;
    }
    return infoFrom(st);
}

int File::close()
{
    if (m_fd < 0)
        return 0;
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 || errno == EINTR ? 0 : errno;
}

int CopyContent(const std::string &from, File &to)
{
    File in;
    if (const int error = File::OpenForReading(from, in))
        return error;
    const FileInfo info = in.info();
    if (!info.exists)
        return info.error;
    if (!info.regular)
        return info.directory ? EISDIR : EINVAL;
    std::uint64_t copied = 0;
    std::string chunk;
    for (;;) {
        if (const int error = in.read(chunk, 1 << 20))
            return error;
        if (chunk.empty())
            break;
        if (const int error = to.writeAt(copied, chunk))
            return error;
        copied += chunk.size();
    }
    return to.truncate(copied);
}

int Rename(const std::string &from, const std::string &to)
{
    trace("rename", from + " > " + to);
    return retryOnSignal(::rename(from.c_str(), to.c_str()));
}

int Link(const std::string &from, const std::string &to)
{
    trace("link", from + " > " + to);
    return retryOnSignal(::link(from.c_str(), to.c_str()));
}

int Remove(const std::string &path)
{
    trace("remove", path);
    return retryOnSignal(::unlink(path.c_str()));
}

int SyncFolder(const std::string &folder)
{
    trace("syncfolder", folder);
    int fd;
    do
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    // Some file systems cannot sync a folder; their renames are as durable as they get.
    if (error == EINVAL || error == EBADF || error == ENOTSUP)
        error = 0;
    ::close(fd);
    return error;
}

int ListFolder(const std::string &folder, std::vector<std::string> &names)
{
    names.clear();
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return errno;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

int MakeFolders(const std::string &folder)
{
    std::string partial;
    std::size_t pos = 0;
    while (pos <= folder.size()) {
        const auto slash = folder.find('/', pos);
        partial = folder.substr(0, slash == std::string::npos ? folder.size() : slash);
        pos = slash == std::string::npos ? folder.size() + 1 : slash + 1;
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

long ProcessId()
{
    return static_cast<long>(::getpid());
}

bool ProcessAlive(long pid)
{
    if (pid <= 0)
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false; // EPERM: it exists but belongs to someone else
#ifdef __linux__
    // A process that was killed stays in the table while the system takes its
    // memory apart (a second or more for a large one), and as a zombie until
    // its parent waits for it: it holds nothing any more.
    File stat;
    std::string text;
    if (File::OpenForReading("/proc/" + std::to_string(pid) + "/stat", stat) == 0 && stat.read(text, 4096) == 0) {
        // "<pid> (<name>) <state> <ppid> <pgrp> <session> <tty> <tpgid> <flags> ..."
        const auto close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size()) {
            const char state = text[close + 2];
            if (state == 'Z' || state == 'X' || state == 'x')
                return false;
            std::size_t pos = close + 2;
            for (int field = 3; field < 9 && pos != std::string::npos; ++field)
                pos = text.find(' ', pos + 1);
            if (pos != std::string::npos) {
                const unsigned long flags = std::strtoul(text.c_str() + pos + 1, nullptr, 10);
                constexpr unsigned long kExiting = 0x4; // the process is ending
                if (flags & kExiting)
                    return false;
            }
        }
    }
#endif
    return true;
}

std::uint32_t UserId()
{
    return static_cast<std::uint32_t>(::geteuid());
}

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace sysfile
