// The lock of an open project and the identity of its token file.
#include "childprocess.h"
#include "store/fileidentity.h"
#include "store/processtag.h"
#include "store/projectlock.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <thread>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Lock : public testing::Test
{
protected:
    TempDir dir;
    std::string tokenFile = dir.file("fr.tok");
    std::string lockFile = tokenFile + ".lock";

    void SetUp() override { WriteFile(tokenFile, "[[4|1|1|0|1|m]]=x\r\n"); }
};

TEST_F(Lock, TakenReleasedAndTakenAgainByTheSameProcess)
{
    ProjectLock lock;
    ASSERT_EQ(lock.acquire(tokenFile), ProjectLock::Outcome::Taken);
    const std::string text = ReadFile(lockFile);
    EXPECT_EQ(text.substr(0, text.find('\n')), ThisProcessTag());
    // Opening the same project again in this editor keeps the lock.
    ProjectLock again;
    EXPECT_EQ(again.acquire(tokenFile), ProjectLock::Outcome::Taken);
    lock.release();
    EXPECT_FALSE(fs::exists(lockFile));
    EXPECT_FALSE(lock.held());
}

// Two editors: the second learns the first one's host and process; once the
// first is gone (killed, its lock left behind), its lock is taken over.
TEST_F(Lock, SecondEditorLearnsWhoHoldsItAndTakesOverWhenThatOneIsGone)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t first = fork();
    if (first == 0) {
        ProjectLock lock;
        const bool taken = lock.acquire(tokenFile) == ProjectLock::Outcome::Taken;
        (void)!write(ready[1], taken ? "y" : "n", 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    ASSERT_EQ(c, 'y');

    ProjectLock second;
    EXPECT_EQ(second.acquire(tokenFile), ProjectLock::Outcome::HeldElsewhere);
    EXPECT_FALSE(second.held());
    ASSERT_TRUE(second.holder().known);
    EXPECT_EQ(second.holder().process.pid, first);
    EXPECT_EQ(second.holder().process.host, ThisHost());
    second.release(); // not its lock: stays
    EXPECT_TRUE(fs::exists(lockFile));

    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    ASSERT_TRUE(fs::exists(lockFile)) << "a killed editor leaves its lock";
    EXPECT_EQ(second.acquire(tokenFile), ProjectLock::Outcome::Taken);
    const std::string text = ReadFile(lockFile);
    EXPECT_EQ(text.substr(0, text.find('\n')), ThisProcessTag());
}

enum class Writer
{
    Ended,   // a process of this machine that has ended
    Running, // one that runs
    Other,   // a process of another machine
    Nobody,  // an empty lock
    Zombie,  // a process that has ended and was not waited for yet
    Dangling // no lock at all: a link to a file that is not there
};

struct ForeignLock
{
    const char *name;
    Writer writer;
    int ageSeconds;
    ProjectLock::Outcome outcome;
};

std::string lockTextOf(Writer writer)
{
    switch (writer) {
    case Writer::Ended:
        return std::to_string(EndedProcessId()) + "@" + ThisHost() + "\nann\n";
    case Writer::Running:
        return std::to_string(getppid()) + "@" + ThisHost() + "\nann\n";
    case Writer::Other:
        return "123@elsewhere\nann\n";
    case Writer::Zombie: {
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        // Not waited for: a zombie once it has ended.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string stat = ReadFile("/proc/" + std::to_string(child) + "/stat");
            const auto close = stat.rfind(')');
            if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z')
                break;
            std::this_thread::yield();
        }
        return std::to_string(child) + "@" + ThisHost() + "\nann\n";
    }
    case Writer::Nobody:
    case Writer::Dangling:
        break;
    }
    return {};
}

void PrintTo(const ForeignLock &l, std::ostream *out)
{
    *out << l.name;
}

class LockFoundOnOpening : public testing::TestWithParam<ForeignLock>
{
protected:
    TempDir dir;
};

TEST_P(LockFoundOnOpening, IsTakenOnlyWhenItsProcessIsGone)
{
    const ForeignLock l = GetParam();
    const std::string tokenFile = dir.file("fr.tok");
    WriteFile(tokenFile, "");
    const std::string text = lockTextOf(l.writer);
    if (l.writer == Writer::Dangling) {
        fs::create_symlink(dir.file("nowhere"), tokenFile + ".lock");
    } else {
        WriteFile(tokenFile + ".lock", text);
        fs::last_write_time(tokenFile + ".lock",
                            fs::file_time_type::clock::now() - std::chrono::seconds(l.ageSeconds));
    }
    ProjectLock lock;
    EXPECT_EQ(lock.acquire(tokenFile), l.outcome);
    EXPECT_EQ(lock.holder().dangling, l.writer == Writer::Dangling);
    if (l.outcome == ProjectLock::Outcome::HeldElsewhere && l.writer != Writer::Dangling) {
        EXPECT_EQ(ReadFile(tokenFile + ".lock"), text) << "someone else's lock is never touched";
    }
    if (l.writer == Writer::Zombie)
        waitpid(std::stol(text), nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lock, LockFoundOnOpening,
    testing::Values(ForeignLock{"EndedProcess", Writer::Ended, 0, ProjectLock::Outcome::Taken},
                    ForeignLock{"RunningProcess", Writer::Running, 0, ProjectLock::Outcome::HeldElsewhere},
                    ForeignLock{"OtherMachine", Writer::Other, 3600, ProjectLock::Outcome::HeldElsewhere},
                    ForeignLock{"BeingWritten", Writer::Nobody, 0, ProjectLock::Outcome::HeldElsewhere},
                    ForeignLock{"LeftEmpty", Writer::Nobody, 60, ProjectLock::Outcome::Taken},
                    ForeignLock{"Zombie", Writer::Zombie, 0, ProjectLock::Outcome::Taken},
                    ForeignLock{"DanglingLink", Writer::Dangling, 0, ProjectLock::Outcome::HeldElsewhere}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Lock, LiesBesideTheFileALinkNames)
{
    fs::create_directories(dir.path() / "shared");
    WriteFile(dir.file("shared/real.tok"), "");
    fs::create_symlink("shared/real.tok", dir.path() / "link.tok");
    ProjectLock lock;
    ASSERT_EQ(lock.acquire(dir.file("link.tok")), ProjectLock::Outcome::Taken);
    EXPECT_TRUE(fs::exists(dir.file("shared/real.tok.lock")));
    // The same file by its own name is the same project.
    EXPECT_EQ(ProjectLock::LockPathFor(dir.file("shared/real.tok")), dir.file("shared/real.tok.lock"));
}

// In a folder that takes no new files no lock can be made; the project opens
// without one.
TEST_F(Lock, UnavailableInAFolderThatTakesNoNewFiles)
{
    ASSERT_TRUE(GiveTo(dir.path().string(), UnprivilegedUid(), UnprivilegedGid(), 0555));
    const auto result = RunUnprivileged([&] {
        ProjectLock lock;
        return lock.acquire(tokenFile) == ProjectLock::Outcome::Unavailable ? std::string("unavailable")
                                                                               : std::string("other");
    });
    REQUIRE_CHILD_RAN(result);
    EXPECT_EQ(result.output, "unavailable");
}

// --- File identity ------------------------------------------------------------

TEST(FileIdentityTest, TellsEveryKindOfRewriteApart)
{
    TempDir dir;
    const std::string path = dir.file("fr.tok");
    WriteFile(path, "0123456789");
    const auto when = fs::last_write_time(path);
    const FileIdentity original = IdentityOf(path);
    ASSERT_TRUE(original.exists);
    EXPECT_EQ(original.size, 10u);
    EXPECT_EQ(IdentityOf(path), original) << "nothing changed";

    // Rewritten in place with the same size: the time tells.
    WriteFile(path, "abcdefghij");
    fs::last_write_time(path, when + std::chrono::nanoseconds(1000));
    EXPECT_NE(IdentityOf(path), original);

    // Replaced by another file of the same size and time: the inode tells.
    WriteFile(path, "0123456789");
    fs::last_write_time(path, when);
    EXPECT_EQ(IdentityOf(path), original);
    WriteFile(dir.file("new.tok"), "0123456789");
    fs::last_write_time(dir.file("new.tok"), when);
    fs::rename(dir.file("new.tok"), path);
    EXPECT_NE(IdentityOf(path), original);

    // Grown or shrunk within the same instant: the size tells.
    const FileIdentity replaced = IdentityOf(path);
    WriteFile(path, "012345678");
    fs::last_write_time(path, when);
    EXPECT_NE(IdentityOf(path), replaced);

    fs::remove(path);
    EXPECT_FALSE(IdentityOf(path).exists);
    EXPECT_NE(IdentityOf(path), original);
}

TEST(FileIdentityTest, TextRoundTrip)
{
    FileIdentity id;
    id.exists = true;
    id.size = 62000000;
    id.modifiedNs = 1733572800123456789;
    id.inode = 9876543210;
    id.device = 2049;
    FileIdentity back;
    ASSERT_TRUE(FileIdentity::parse(id.text(), back));
    EXPECT_EQ(back, id);
    ASSERT_TRUE(FileIdentity::parse(FileIdentity{}.text(), back));
    EXPECT_FALSE(back.exists);
    EXPECT_FALSE(FileIdentity::parse("1 2 3", back));
    EXPECT_FALSE(FileIdentity::parse("1 2 3 4 5", back));
}

} // namespace
