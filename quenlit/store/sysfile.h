#pragma once

// The few operating-system calls the store needs beyond the standard library:
// file identity, owners and modes, durable writes, renames, the host name and
// whether a process is alive. sysfile_posix.cpp is the only file that talks to
// the system; everything else in the store goes through these functions. Paths
// are bytes, passed to the system as they are. Functions that can fail return
// the system's error number (0 for success) and never throw.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sysfile {

// What the system says about a file. `exists` is false when it could not be
// looked at (`error` says why).
struct FileInfo
{
    bool exists = false;
    int error = 0;
    bool regular = false;
    bool directory = false;
    bool symlink = false; // only from Inspect(path, false)
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0; // last change of the content, ns since the epoch
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    std::uint64_t links = 0;
    std::uint32_t mode = 0; // permission bits, with set-id and sticky bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

// Looks at a file, following symbolic links unless `follow` is false.
FileInfo Inspect(const std::string &path, bool follow = true);

// The file a path finally names after every symbolic link along the way has been
// followed (a link's relative target is taken from the link's folder). A path
// that is no link comes back unchanged. Errors: ELOOP after 40 links.
int ResolveLinks(const std::string &path, std::string &resolved);

// The absolute path of an existing file with every link resolved.
int AbsolutePath(const std::string &path, std::string &absolute);

// 0 when this process may write into the file, else EACCES, EROFS...
int CheckWritable(const std::string &path);

// The text the system gives for an error number ("No space left on device").
std::string ErrorText(int error);

// An open file, closed when it goes.
class File
{
public:
    File() = default;
    ~File();
    File(File &&other) noexcept;
    File &operator=(File &&other) noexcept;
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // None of these follows a symbolic link at the path's last name (ELOOP).
    // A file that must not exist yet, for writing, with the given permissions
    // (before the umask).
    static int CreateNew(const std::string &path, File &file, std::uint32_t mode = 0600);
    // An existing file, for writing, its content kept until written over.
    static int OpenExisting(const std::string &path, File &file);
    // An existing file for reading.
    static int OpenForReading(const std::string &path, File &file);

    bool isOpen() const { return m_fd >= 0; }
    int writeAll(std::string_view bytes);
    // Writes at the given offset; the file position is left unchanged.
    int writeAt(std::uint64_t offset, std::string_view bytes);
    // Reads up to `max` bytes; `bytes` empty at the end of the file.
    int read(std::string &bytes, std::size_t max);
    int readAll(std::string &bytes);
    int truncate(std::uint64_t size);
    int sync();     // content and metadata on the disk
    int syncData(); // content on the disk
    // Sets the time of the last change of the content (ns since the epoch).
    int setModifiedTime(std::int64_t ns);
    int setMode(std::uint32_t mode);
    int setOwner(std::uint32_t owner, std::uint32_t group);
    int setGroup(std::uint32_t group);
    FileInfo info() const;
    int close();

private:
    int m_fd = -1;
    std::string m_path;
};

// Copies the content of `from` into the open file `to` from its start, and
// truncates `to` to the copied size.
int CopyContent(const std::string &from, File &to);

int Rename(const std::string &from, const std::string &to);
// A second name `to` for the existing file `from`; `to` must not exist. Errors:
// EXDEV, EPERM or ENOTSUP where the file system has no such names, EEXIST.
int Link(const std::string &from, const std::string &to);
int Remove(const std::string &path);
// Writes the folder's entries (the names of its files) to the disk, so that a
// rename in it survives a power cut.
int SyncFolder(const std::string &folder);
// The names in a folder, "." and ".." left out.
int ListFolder(const std::string &folder, std::vector<std::string> &names);
int MakeFolders(const std::string &folder);

// This machine's name, as other processes on it see it.
std::string HostName();
long ProcessId();
// False when no process of that number exists on this machine, or it is ending
// (killed, a zombie).
bool ProcessAlive(long pid);
// The user this process acts as.
std::uint32_t UserId();
// An environment variable, empty when unset.
std::string Environment(const char *name);

// Tests follow the order of the steps that make a save durable through this:
// each file sync, rename, link and folder sync reports itself with the path it
// concerns ("sync", "rename" and "link" with "<old> > <new>", "syncfolder", "write"
// for each write at an offset, "remove"). Unset in the
// programs.
using TraceHook = void (*)(const char *call, const std::string &path);
void SetTraceHook(TraceHook hook);

// The folder part of a path with its last separator ("/a/b/" for "/a/b/c"),
// "./" for a bare name.
std::string FolderOf(const std::string &path);
std::string NameOf(const std::string &path);

} // namespace sysfile
