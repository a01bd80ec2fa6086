#include "regularfile.h"

#include <ios>
#include <new>
#include <stdexcept>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

RegularFile::~RegularFile()
{
    close();
}

#ifdef _WIN32

bool RegularFile::open(const std::string &path)
{
    close();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    auto file = std::make_unique<std::filebuf>();
    if (!file->open(path, std::ios::in | std::ios::binary))
        return false;
    m_size = std::filesystem::file_size(path, ec);
    m_file = std::move(file);
    return true;
}

bool RegularFile::isOpen() const
{
    return m_file != nullptr;
}

void RegularFile::close()
{
    m_file.reset();
    m_size = 0;
}

long long RegularFile::read(char *buffer, std::size_t count)
{
    if (!m_file)
        return -1;
    return static_cast<long long>(m_file->sgetn(buffer, static_cast<std::streamsize>(count)));
}

#else

bool RegularFile::open(const std::string &path)
{
    close();
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Reads of a regular file wait for the disk as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool RegularFile::isOpen() const
{
    return m_fd >= 0;
}

void RegularFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

long long RegularFile::read(char *buffer, std::size_t count)
{
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, count);
        if (n >= 0)
            return static_cast<long long>(n);
        if (errno != EINTR)
            return -1;
    }
}

#endif

FileReadStatus ReadWholeRegularFile(const std::string &path, std::string &bytes)
{
    RegularFile file;
    if (!file.open(path))
        return FileReadStatus::CantOpen;
    try {
        std::string content;
        if (file.size() > content.max_size())
            return FileReadStatus::ReadError;
        content.reserve(static_cast<std::size_t>(file.size()));
        char buffer[1 << 16];
        for (;;) {
            const long long n = file.read(buffer, sizeof buffer);
            if (n < 0)
                return FileReadStatus::ReadError;
            if (n == 0)
                break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
        bytes = std::move(content);
    } catch (const std::bad_alloc &) {
        return FileReadStatus::ReadError;
    } catch (const std::length_error &) {
        return FileReadStatus::ReadError;
    }
    return FileReadStatus::Ok;
}

class RegularFileStream::Buffer : public std::streambuf
{
public:
    RegularFile file;

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        const long long n = file.read(m_chunk, sizeof m_chunk);
        if (n < 0)
            throw std::ios_base::failure("read error"); // the stream becomes bad
        if (n == 0)
            return traits_type::eof();
        setg(m_chunk, m_chunk, m_chunk + n);
        return traits_type::to_int_type(*gptr());
    }

private:
    char m_chunk[1 << 14];
};

RegularFileStream::RegularFileStream() : std::istream(nullptr), m_buffer(std::make_unique<Buffer>())
{
    rdbuf(m_buffer.get());
}

RegularFileStream::~RegularFileStream() = default;

bool RegularFileStream::open(const std::string &path)
{
    if (!m_buffer->file.open(path)) {
        setstate(std::ios::failbit);
        return false;
    }
    clear();
    return true;
}
