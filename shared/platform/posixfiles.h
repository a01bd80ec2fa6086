#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// File and process calls of POSIX systems, paths and arguments as bytes. Names
// that may be hostile (a link, a FIFO, a folder where a file is expected) are
// never followed or opened by the calls that create, read or remove files.
namespace posix {

// What a name led to when a file was created or opened.
struct FileId
{
    unsigned long long device = 0;
    unsigned long long inode = 0;
};

// Creates `path` as a new regular file holding `bytes`. A name that already
// exists, whatever it is (file, link, dangling link, FIFO, folder), is left alone
// and gives EEXIST. Returns 0 or the errno of the failure; a file created here
// whose writing failed is removed again.
int CreateNewFile(const std::string &path, std::string_view bytes, FileId *id);

// Reads a regular file whole, without following a link at its name and without
// waiting on a FIFO. Returns 0 or the errno (EINVAL for anything but a regular file).
int ReadRegularFile(const std::string &path, std::string *bytes, FileId *id);

// Removes `path` only while it still names the file `id`: whatever was put in
// its place meanwhile stays. True when the file was removed.
bool RemoveIfSame(const std::string &path, const FileId &id);

// Time of the last change of the file a path leads to.
struct FileTime
{
    long long seconds = 0; // since 1970-01-01 00:00 UTC
    long nanoseconds = 0;
};
std::optional<FileTime> LastModified(const std::string &path);

// The current folder as the system names it.
std::string CurrentFolder();

// Starts a program in a session of its own, in `folder` (the current one when
// empty), without waiting for it and without becoming its parent. A program
// name without a slash is looked up in PATH. Returns 0, or the errno of the
// failure to start it.
int StartDetached(const std::string &program, const std::vector<std::string> &arguments, const std::string &folder);

} // namespace posix
