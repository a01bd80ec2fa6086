#include "filebytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifdef __linux__
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

class FileBytesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("filebytes-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string write(const std::string &name, const std::string &bytes)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // A file of many pages, so that a cut would leave whole pages unbacked.
    static std::string pages(char seed)
    {
        std::string bytes(3 * 1024 * 1024 + 123, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(seed + static_cast<char>(i * 7));
        return bytes;
    }

    fs::path m_dir;
};

TEST_F(FileBytesTest, ReadsTheWholeFileByteForByte)
{
    const std::string content = pages('a');
    const std::string path = write("t.tok", content);
    FileBytes bytes;
    ASSERT_EQ(FileBytes::Load(path, bytes), FileReadStatus::Ok);
    EXPECT_EQ(bytes.view(), content);
#ifdef __linux__
    // A file of our own on a local disk is leased and mapped.
    EXPECT_TRUE(bytes.mapped());
#endif
    FileBytes moved = std::move(bytes);
    EXPECT_TRUE(bytes.view().empty());
    EXPECT_EQ(moved.view(), content);
    moved.clear();
    EXPECT_TRUE(moved.view().empty());
    EXPECT_FALSE(moved.mapped());
}

TEST_F(FileBytesTest, EmptyMissingAndSpecialFiles)
{
    FileBytes bytes;
    EXPECT_EQ(FileBytes::Load(write("empty.tok", ""), bytes), FileReadStatus::Ok);
    EXPECT_TRUE(bytes.view().empty());
    EXPECT_EQ(FileBytes::Load((m_dir / "missing.tok").string(), bytes), FileReadStatus::CantOpen);
    EXPECT_EQ(FileBytes::Load(m_dir.string(), bytes), FileReadStatus::CantOpen);
#ifdef __linux__
    const std::string fifo = (m_dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FileBytes::Load(fifo, bytes), FileReadStatus::CantOpen); // and does not wait for a writer
#endif
}

#ifdef __linux__

// Another program cuts the file and writes something else into it while the
// bytes are held: they stay what was read, and reading them does not fault.
TEST_F(FileBytesTest, AFileCutByAnotherProgramKeepsTheBytesRead)
{
    const std::string content = pages('k');
    const std::string path = write("cut.tok", content);
    FileBytes bytes;
    ASSERT_EQ(FileBytes::Load(path, bytes), FileReadStatus::Ok);
    ASSERT_TRUE(bytes.mapped());

    // A reader on another thread goes through the bytes all the while.
    std::atomic<bool> stop{false};
    std::atomic<long> rounds{0};
    std::thread reader([&] {
        const std::string_view v = bytes.view();
        while (!stop) {
            unsigned sum = 0;
            for (std::size_t i = 0; i < v.size(); i += 512)
                sum += static_cast<unsigned char>(v[i]);
            if (sum == 0xFFFFFFFFu)
                std::abort();
            ++rounds;
        }
    });
    const pid_t child = ::fork();
    if (child == 0) {
        // The cut waits until the holder has made its copy.
        const int cut = ::truncate(path.c_str(), 0);
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        const bool wrote = fd >= 0 && ::write(fd, "[[6|1|1|0|1|]]=other\r\n", 22) == 22;
        ::_exit(cut == 0 && wrote ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    stop = true;
    reader.join();
    EXPECT_FALSE(bytes.mapped()); // a copy of its own now
    EXPECT_EQ(bytes.view(), content);
    EXPECT_EQ(fs::file_size(path), 22u);
}

// The program was stopped longer than the system waits for a lease to be let
// go, and the file was cut meanwhile: the program, in a child process here,
// reads every byte of its mapping and does not die; past the cut it sees zeros.
TEST_F(FileBytesTest, AFileCutAfterTheLeaseWasLostNeverEndsTheProgram)
{
    const std::string content = pages('s');
    const std::string path = write("stopped.tok", content);
    const pid_t child = ::fork();
    if (child == 0) {
        FileBytes bytes;
        if (FileBytes::Load(path, bytes) != FileReadStatus::Ok || !bytes.mapped())
            ::_exit(3);
        bytes.loseLease();
        if (::truncate(path.c_str(), 4096) != 0)
            ::_exit(4);
        const std::string_view v = bytes.view();
        std::size_t zeros = 0;
        for (std::size_t i = 4096; i < v.size(); ++i)
            zeros += v[i] == '\0';
        const bool kept = v.substr(0, 4096) == std::string_view(content).substr(0, 4096);
        ::_exit(kept && zeros == v.size() - 4096 ? 0 : 5);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The program itself rewrites the file in place (as a save does when the file
// has other names): the open for writing does not wait on the program's own
// lease, and the bytes held stay those read.
TEST_F(FileBytesTest, ARewriteInPlaceByThisProgramDoesNotWait)
{
    const std::string content = pages('r');
    const std::string path = write("own.tok", content);
    FileBytes bytes;
    ASSERT_EQ(FileBytes::Load(path, bytes), FileReadStatus::Ok);
    ASSERT_TRUE(bytes.mapped());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "new";
    }
    EXPECT_EQ(bytes.view(), content);
    EXPECT_FALSE(bytes.mapped());
}

// A file that a program has open for writing is read, not mapped; so are the
// files of the program's own that it holds open for writing.
TEST_F(FileBytesTest, AFileOpenForWritingIsRead)
{
    const std::string content = pages('w');
    const std::string path = write("busy.tok", content);
    const int writer = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    FileBytes bytes;
    ASSERT_EQ(FileBytes::Load(path, bytes), FileReadStatus::Ok);
    EXPECT_FALSE(bytes.mapped());
    EXPECT_EQ(bytes.view(), content);
    ::close(writer);
}

// Two holders of one file: the first lets go, the second still gets its copy
// when the file is cut.
TEST_F(FileBytesTest, TwoHoldersOfOneFile)
{
    const std::string content = pages('2');
    const std::string path = write("two.tok", content);
    FileBytes first;
    FileBytes second;
    ASSERT_EQ(FileBytes::Load(path, first), FileReadStatus::Ok);
    ASSERT_EQ(FileBytes::Load(path, second), FileReadStatus::Ok);
    first.clear();
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    EXPECT_EQ(second.view(), content);
    // Loading anew gives what is on disk now.
    ASSERT_EQ(FileBytes::Load(path, first), FileReadStatus::Ok);
    EXPECT_EQ(first.view(), content.substr(0, 10));
}

#endif

} // namespace
