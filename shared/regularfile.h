#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

// The one way the programs open a file they read: only a regular file, or a
// link to one, is opened, and the opening never waits (a FIFO, a device or a
// folder is refused, not read). The system calls live in regularfile.cpp.

enum class FileReadStatus
{
    Ok,
    CantOpen, // missing, unreadable, or not a regular file
    ReadError // the reading failed, or the content does not fit in memory
};

// A regular file open for reading.
class RegularFile
{
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    // False when the path cannot be opened or is not a regular file.
    bool open(const std::string &path);
    bool isOpen() const;
    void close();
    // The file's size when it was opened.
    std::uint64_t size() const { return m_size; }
    // Reads up to `count` bytes: the number read, 0 at the end, -1 on an error.
    long long read(char *buffer, std::size_t count);

private:
#ifdef _WIN32
    std::unique_ptr<std::filebuf> m_file;
#else
    int m_fd = -1;
#endif
    std::uint64_t m_size = 0;
};

// Reads a regular file whole into `bytes`. A file too large for memory is a
// ReadError; no allocation failure escapes.
FileReadStatus ReadWholeRegularFile(const std::string &path, std::string &bytes);

// An input stream on a regular file, for line readers.
class RegularFileStream : public std::istream
{
public:
    RegularFileStream();
    ~RegularFileStream() override;
    // False (and the stream failed) when the file cannot be opened.
    bool open(const std::string &path);

private:
    class Buffer;
    std::unique_ptr<Buffer> m_buffer;
};
