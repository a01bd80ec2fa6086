// Opening a project whose files are not regular files, or are too large for
// memory: a clear failure, never a hang or an abort.

#include "store/projectopen.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class SpecialFilesTest : public testing::Test
{
protected:
    CurrentDirGuard guard;
    TempDir dir;

    void SetUp() override
    {
        for (const char *name : {"fr.prj", "demo.mpj", "demo.tok", "fr.tok"})
            fs::remove_all(dir.file(name)); // a FIFO left by the case before
        WriteFile(dir.file("fr.prj"), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n");
        WriteFile(dir.file("demo.mpj"), "demo.dll\r\ndemo.tok\r\n");
        WriteFile(dir.file("demo.tok"), "[[4|1|1|0|1|a]]=File\r\n");
        WriteFile(dir.file("fr.tok"), "[[4|1|1|0|1|a]]=Fichier\r\n");
    }

    // Reads the project, or fails the test when the reading does not end within
    // ten seconds (then the FIFOs in the folder are given a writer, which ends it).
    ProjectOpenError readWithin(const std::string &prj)
    {
        auto result = std::async(std::launch::async, [prj] { return ReadProject(prj).error; });
        if (result.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
            return result.get();
        ADD_FAILURE() << "the opening of " << prj << " blocks";
        for (const auto &entry : fs::directory_iterator(dir.path())) {
            if (entry.is_fifo()) {
                const int fd = ::open(entry.path().c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
        }
        return result.get();
    }

    void replaceByFifo(const std::string &name)
    {
        fs::remove(dir.file(name));
        ASSERT_EQ(::mkfifo(dir.file(name).c_str(), 0600), 0);
    }

    void replaceByLink(const std::string &name, const std::string &target)
    {
        fs::remove(dir.file(name));
        fs::create_symlink(target, dir.file(name));
    }
};

TEST_F(SpecialFilesTest, ATokenFileThatIsNoRegularFileCannotBeOpened)
{
    struct Case
    {
        const char *file;
        const char *kind;
    } cases[] = {{"fr.tok", "fifo"}, {"demo.tok", "fifo"}, {"fr.tok", "/dev/zero"},
                 {"demo.tok", "/dev/zero"}, {"fr.tok", "folder"}, {"fr.tok", "link to a fifo"}};
    for (const Case &c : cases) {
        SetUp();
        const std::string kind = c.kind;
        if (kind == "fifo") {
            replaceByFifo(c.file);
        } else if (kind == "/dev/zero") {
            replaceByLink(c.file, "/dev/zero");
        } else if (kind == "folder") {
            fs::remove(dir.file(c.file));
            fs::create_directory(dir.file(c.file));
        } else {
            replaceByFifo("pipe");
            replaceByLink(c.file, dir.file("pipe"));
        }
        EXPECT_EQ(readWithin(dir.file("fr.prj")), ProjectOpenError::CantOpenTokenFile) << c.file << " " << c.kind;
        fs::remove_all(dir.file(c.file));
        fs::remove(dir.file("pipe"));
    }
}

TEST_F(SpecialFilesTest, ProjectFilesThatAreNoRegularFilesCannotBeOpened)
{
    replaceByFifo("demo.mpj");
    EXPECT_EQ(readWithin(dir.file("fr.prj")), ProjectOpenError::CantOpenProjectFile);
    SetUp();
    replaceByLink("demo.mpj", "/dev/zero");
    EXPECT_EQ(readWithin(dir.file("fr.prj")), ProjectOpenError::CantOpenProjectFile);
    SetUp();
    replaceByFifo("fr.prj");
    EXPECT_EQ(readWithin(dir.file("fr.prj")), ProjectOpenError::CantOpenProjectFile);
}

TEST_F(SpecialFilesTest, LinksToRegularFilesAreFollowed)
{
    fs::create_directory(dir.file("real"));
    fs::rename(dir.file("fr.tok"), dir.file("real/fr.tok"));
    fs::rename(dir.file("demo.mpj"), dir.file("real/demo.mpj"));
    fs::create_symlink(dir.file("real/fr.tok"), dir.file("fr.tok"));
    fs::create_symlink("real/demo.mpj", dir.file("demo.mpj"));
    const ProjectData data = ReadProject(dir.file("fr.prj"));
    ASSERT_EQ(data.error, ProjectOpenError::None);
    EXPECT_EQ(data.project.cellText(1, 0), "Fichier");
}

// A token file larger than the memory the program can have: a sparse file of a
// size no allocation can take.
TEST_F(SpecialFilesTest, ATokenFileTooLargeForMemoryIsAReadingError)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer ends the program on a failed allocation instead of throwing";
#else
    std::error_code ec;
    fs::resize_file(dir.file("fr.tok"), std::uintmax_t(1) << 50, ec);
    if (ec) {
        // The file system's largest file (16 TiB on ext4) is still far beyond any memory
        // without overcommitting.
        std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
        int mode = 0;
        if (overcommit >> mode && mode == 1)
            GTEST_SKIP() << "the system overcommits memory and the file system holds no file beyond the address space";
        fs::resize_file(dir.file("fr.tok"), std::uintmax_t(1) << 43, ec);
        ASSERT_FALSE(ec) << ec.message();
    }
    EXPECT_EQ(readWithin(dir.file("fr.prj")), ProjectOpenError::ReadError);
#endif
}

} // namespace

#endif
