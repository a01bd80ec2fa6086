// Saving keeps what the file system promises: owner and group, links, write
// protection, folders that take no new files, durability, leftovers of killed
// saves and the messages of failures. Real files, links and permissions; the
// permission cases run as an unprivileged user (see childprocess.h).
#include "childprocess.h"
#include "store/processtag.h"
#include "store/savemarker.h"
#include "store/sysfile.h"
#include "testfiles.h"
#include "store/tokenfile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kOld = "[[4|1|2|0|1|k]]=abc\r\n[[4|1|3|0|1|k]]=def\r\n";
const std::string kNew = "[[4|1|2|0|4|k]]=ABC\r\n[[4|1|3|0|1|k]]=def\r\n";

TokenTable changedTable()
{
    TokenTable table;
    LoadTokens(kOld, table);
    table.setCell(1, ColText, "ABC");
    table.setCell(1, ColStatus, "4");
    return table;
}

struct stat statOf(const std::string &path)
{
    struct stat st = {};
    lstat(path.c_str(), &st);
    return st;
}

// Every name in a folder, sorted.
std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// "ok", or the message of the failed save.
std::string saveOutcome(const std::string &path)
{
    const TokenTable table = changedTable();
    const SaveResult result = SaveProjectTokens(path, table);
    return result.ok() ? std::string("ok") : result.message;
}

class SaveSafety : public testing::Test
{
protected:
    TempDir dir;
    std::string path = dir.file("fr.tok");
};

// --- Owner and group --------------------------------------------------------

// A shared token file root:<project group> 0660 in a folder without the setgid
// bit, saved by a member of the group: the group stays, so the colleagues can
// still read and write it; the backup has the same group.
TEST_F(SaveSafety, GroupMemberKeepsTheGroupOfASharedFile)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to make a file of another owner and group";
    const gid_t project = 4242;
    ASSERT_TRUE(GiveTo(dir.path().string(), 0, 0, 0777));
    WriteFile(path, kOld);
    ASSERT_TRUE(GiveTo(path, 0, project, 0660));

    const auto saved = RunAsUser(65534, 65534, {project}, [&] { return saveOutcome(path); });
    REQUIRE_CHILD_RAN(saved);
    EXPECT_EQ(saved.output, "ok");
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_EQ(ReadFile(path + ".bak"), kOld);
    for (const std::string &file : {path, path + ".bak"}) {
        const auto st = statOf(file);
        EXPECT_EQ(st.st_gid, project) << file;
        EXPECT_EQ(st.st_mode & 07777, 0660u) << file;
    }
    EXPECT_EQ(statOf(path).st_uid, 65534u) << "only root may give a file to another owner";

    // A colleague of the same group reads and saves it in turn.
    const auto colleague = RunAsUser(4343, 4343, {project}, [&] {
        const std::string text = ReadFile(path);
        return text == kNew ? saveOutcome(path) : std::string("could not read: ") + text;
    });
    REQUIRE_CHILD_RAN(colleague);
    EXPECT_EQ(colleague.output, "ok");
    EXPECT_EQ(statOf(path).st_gid, project);
}

// The saver is not in the file's group (a world-writable file of another user):
// a new file would change who can read it, so the file is rewritten in place
// once the backup is safe, and keeps its owner, group and inode.
TEST_F(SaveSafety, GroupThatCannotBeKeptRewritesInPlace)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to make a file of another owner and group";
    ASSERT_TRUE(GiveTo(dir.path().string(), 0, 0, 0777));
    WriteFile(path, kOld);
    ASSERT_TRUE(GiveTo(path, 4444, 4444, 0666));
    const ino_t inode = statOf(path).st_ino;

    const auto saved = RunUnprivileged([&] { return saveOutcome(path); });
    REQUIRE_CHILD_RAN(saved);
    EXPECT_EQ(saved.output, "ok");
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_EQ(ReadFile(path + ".bak"), kOld);
    const auto st = statOf(path);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_uid, 4444u);
    EXPECT_EQ(st.st_gid, 4444u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
}

// Whoever may give files away (root) keeps owner and group exactly.
TEST_F(SaveSafety, OwnerAndGroupKeptWhereTheSystemAllows)
{
    WriteFile(path, kOld);
    const uid_t owner = RunningAsRoot() ? 4545 : geteuid();
    gid_t group = RunningAsRoot() ? 4646 : getegid();
    if (!RunningAsRoot()) {
        // An ordinary user can keep a supplementary group of theirs.
        gid_t groups[64];
        const int n = getgroups(64, groups);
        for (int i = 0; i < n; ++i) {
            if (groups[i] != getegid())
                group = groups[i];
        }
        if (group == getegid())
            GTEST_SKIP() << "this user belongs to no second group";
    }
    ASSERT_TRUE(GiveTo(path, owner, group, 0640));
    EXPECT_EQ(saveOutcome(path), "ok");
    const auto st = statOf(path);
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(path + ".bak").st_gid, group);
    EXPECT_EQ(ReadFile(path), kNew);
}

// --- Links --------------------------------------------------------------------

// The token file is a link (of a link) into another folder: the link stays a
// link, the file it names gets the new content, the backup lies beside the link.
TEST_F(SaveSafety, SavesThroughSymbolicLinks)
{
    fs::create_directories(dir.path() / "shared" / "deep");
    fs::create_directories(dir.path() / "project");
    const std::string target = dir.file("shared/deep/fr.tok");
    WriteFile(target, kOld);
    fs::create_symlink("deep/fr.tok", dir.path() / "shared" / "link.tok");
    const std::string link = dir.file("project/fr.tok");
    fs::create_symlink("../shared/link.tok", link);

    EXPECT_EQ(saveOutcome(link), "ok");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "shared" / "link.tok"));
    EXPECT_EQ(ReadFile(target), kNew);
    EXPECT_EQ(ReadFile(link), kNew);
    EXPECT_EQ(ReadFile(link + ".bak"), kOld);
    EXPECT_EQ(namesIn(dir.path() / "shared" / "deep"), (std::vector<std::string>{"fr.tok"}));
    EXPECT_EQ(namesIn(dir.path() / "project"), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
}

TEST_F(SaveSafety, DanglingLinkFailsNamingTheTokenFile)
{
    fs::create_symlink("nowhere.tok", path);
    const std::string outcome = saveOutcome(path);
    EXPECT_NE(outcome, "ok");
    EXPECT_NE(outcome.find(path), std::string::npos) << outcome;
    EXPECT_NE(outcome.find("No such file or directory"), std::string::npos) << outcome;
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_FALSE(fs::exists(dir.file("nowhere.tok")));
}

// A token file with a second hard link: both names keep seeing one file.
TEST_F(SaveSafety, FileWithHardLinksIsRewrittenInPlace)
{
    WriteFile(path, kOld);
    const std::string other = dir.file("copy-for-the-build.tok");
    fs::create_hard_link(path, other);
    EXPECT_EQ(saveOutcome(path), "ok");
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_EQ(ReadFile(other), kNew);
    EXPECT_EQ(statOf(path).st_ino, statOf(other).st_ino);
    EXPECT_EQ(ReadFile(path + ".bak"), kOld);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"copy-for-the-build.tok", "fr.tok", "fr.tok.bak"}));
}

// In place, a shorter content leaves no tail of the longer one.
TEST_F(SaveSafety, InPlaceRewriteCutsTheOldTail)
{
    const std::string longer = kOld + "[[4|1|4|0|1|k]]=a long third line that goes away\r\n";
    WriteFile(path, longer);
    fs::create_hard_link(path, dir.file("other.tok"));
    TokenTable table;
    LoadTokens(kOld, table);
    ASSERT_TRUE(SaveProjectTokens(path, table).ok());
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(ReadFile(path + ".bak"), longer);
}

// --- Write protection -------------------------------------------------------

// A token file its owner made read-only is refused, by its owner as by the
// administrator; nothing changes, not even the backup.
TEST_F(SaveSafety, WriteProtectedFileIsRefused)
{
    ASSERT_TRUE(GiveTo(dir.path().string(), UnprivilegedUid(), UnprivilegedGid(), 0755));
    WriteFile(path, kOld);
    WriteFile(path + ".bak", "old backup");
    ASSERT_TRUE(GiveTo(path, UnprivilegedUid(), UnprivilegedGid(), 0444));
    ASSERT_TRUE(GiveTo(path + ".bak", UnprivilegedUid(), UnprivilegedGid(), 0644));

    const auto asOwner = RunUnprivileged([&] { return saveOutcome(path); });
    REQUIRE_CHILD_RAN(asOwner);
    const auto asAdministrator = RunInChild([&] { return saveOutcome(path); });
    ASSERT_TRUE(asAdministrator.ran) << asAdministrator.failure;
    for (const std::string &outcome : {asOwner.output, asAdministrator.output}) {
        EXPECT_NE(outcome.find("The token file " + path + " is write-protected"), std::string::npos) << outcome;
    }
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(ReadFile(path + ".bak"), "old backup");
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
}

// A file of someone else that this user may not write is refused too, although
// the folder would let a new file replace it.
TEST_F(SaveSafety, FileOfAnotherUserThatCannotBeWrittenIsRefused)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to make a file of another owner";
    ASSERT_TRUE(GiveTo(dir.path().string(), 0, 0, 0777));
    WriteFile(path, kOld);
    ASSERT_TRUE(GiveTo(path, 4747, 4747, 0644));
    const auto saved = RunUnprivileged([&] { return saveOutcome(path); });
    REQUIRE_CHILD_RAN(saved);
    EXPECT_NE(saved.output.find("Can't write the token file " + path + ": Permission denied"), std::string::npos)
        << saved.output;
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(statOf(path).st_uid, 4747u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok"}));
}

// --- Folders that take no new files -----------------------------------------

struct ReadOnlyFolderCase
{
    const char *name;
    bool backupExists;
    unsigned backupMode;
    bool saves;
};

void PrintTo(const ReadOnlyFolderCase &c, std::ostream *out)
{
    *out << c.name;
}

class ReadOnlyFolder : public testing::TestWithParam<ReadOnlyFolderCase>
{
protected:
    TempDir dir;
};

// In a folder where no file can be created but the token file and its backup can
// be written, the save goes on in place after the backup was written over. With
// no backup to write over it fails and nothing changes (a write-protected backup:
// Save.ReadOnlyFolderFailsAndLosesNothing).
TEST_P(ReadOnlyFolder, InPlaceWhenTheBackupCanBeWritten)
{
    const ReadOnlyFolderCase c = GetParam();
    const std::string path = dir.file("fr.tok");
    WriteFile(path, kOld);
    ASSERT_TRUE(GiveTo(path, UnprivilegedUid(), UnprivilegedGid(), 0644));
    if (c.backupExists) {
        WriteFile(path + ".bak", "old backup");
        ASSERT_TRUE(GiveTo(path + ".bak", UnprivilegedUid(), UnprivilegedGid(), c.backupMode));
    }
    ASSERT_TRUE(GiveTo(dir.path().string(), UnprivilegedUid(), UnprivilegedGid(), 0555));
    const ino_t inode = statOf(path).st_ino;

    // The mark of the rewrite goes to the user's state folder.
    TempDir state;
    ASSERT_TRUE(GiveTo(state.path().string(), UnprivilegedUid(), UnprivilegedGid(), 0700));
    const auto saved = RunUnprivileged([&] {
        // The point of the test: this user really cannot create a file here.
        if (access(dir.path().c_str(), W_OK) == 0)
            return std::string("the folder is writable for this user");
        setenv("XDG_STATE_HOME", state.path().c_str(), 1);
        return saveOutcome(path);
    });
    REQUIRE_CHILD_RAN(saved);
    if (c.saves) {
        EXPECT_EQ(saved.output, "ok");
        EXPECT_EQ(ReadFile(path), kNew);
        EXPECT_EQ(ReadFile(path + ".bak"), kOld);
        EXPECT_EQ(statOf(path).st_ino, inode);
    } else {
        EXPECT_NE(saved.output.find("Can't create the backup " + path + ".bak"), std::string::npos) << saved.output;
        EXPECT_EQ(ReadFile(path), kOld);
        if (c.backupExists) {
            EXPECT_EQ(ReadFile(path + ".bak"), "old backup");
        }
    }
    EXPECT_EQ(namesIn(dir.path()).size(), c.backupExists ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Save, ReadOnlyFolder,
                         testing::Values(ReadOnlyFolderCase{"WritableBackup", true, 0644, true},
                                         ReadOnlyFolderCase{"NoBackup", false, 0, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// --- Durability ---------------------------------------------------------------

std::vector<std::string> g_calls;

void recordCall(const char *call, const std::string &path)
{
    g_calls.push_back(std::string(call) + " " + path);
}

std::size_t indexOf(const std::vector<std::string> &calls, const std::string &prefix)
{
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].compare(0, prefix.size(), prefix) == 0)
            return i;
    }
    return calls.size();
}

// Each new file reaches the disk before it is renamed into place, and the folder
// after the rename, so a power cut leaves the old or the new content.
TEST_F(SaveSafety, NewFilesReachTheDiskBeforeTheRenameAndTheFolderAfter)
{
    WriteFile(path, kOld);
    g_calls.clear();
    sysfile::SetTraceHook(recordCall);
    EXPECT_EQ(saveOutcome(path), "ok");
    sysfile::SetTraceHook(nullptr);
    const std::string folder = dir.path().string() + "/";
    const std::string temp = path + ".~" + ThisProcessTag();
    const std::string bakTemp = path + ".bak.~" + ThisProcessTag();

    const std::size_t linkBak = indexOf(g_calls, "link " + path + " > " + bakTemp);
    const std::size_t syncBak = indexOf(g_calls, "sync " + bakTemp);
    const std::size_t renameBak = indexOf(g_calls, "rename " + bakTemp);
    const std::size_t syncNew = indexOf(g_calls, "sync " + temp);
    const std::size_t renameNew = indexOf(g_calls, "rename " + temp);
    ASSERT_LT(renameNew, g_calls.size()) << testing::PrintToString(g_calls);
    EXPECT_LT(syncNew, linkBak) << "the new content is on the disk before anything else changes";
    EXPECT_LT(linkBak, syncBak);
    EXPECT_LT(syncBak, renameBak);
    EXPECT_NE(g_calls[renameBak].find("> " + path + ".bak"), std::string::npos);
    EXPECT_EQ(g_calls[renameBak + 1], "syncfolder " + folder);
    EXPECT_LT(renameBak, renameNew) << "the backup is in place before the token file is replaced";
    EXPECT_NE(g_calls[renameNew].find("> " + path), std::string::npos);
    ASSERT_LT(renameNew + 1, g_calls.size());
    EXPECT_EQ(g_calls[renameNew + 1], "syncfolder " + folder);
}

TEST_F(SaveSafety, InPlaceRewriteReachesTheDisk)
{
    WriteFile(path, kOld);
    fs::create_hard_link(path, dir.file("other.tok"));
    g_calls.clear();
    sysfile::SetTraceHook(recordCall);
    EXPECT_EQ(saveOutcome(path), "ok");
    sysfile::SetTraceHook(nullptr);
    const std::size_t marked = indexOf(g_calls, "sync " + path + ".saving");
    const auto exactly = [&](const std::string &call) {
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < g_calls.size(); ++i)
            if (g_calls[i] == call)
                at.push_back(i);
        return at;
    };
    const auto written = exactly("write " + path);
    const auto synced = exactly("sync " + path);
    const std::size_t unmarked = indexOf(g_calls, "remove " + path + ".saving");
    ASSERT_LT(unmarked, g_calls.size()) << testing::PrintToString(g_calls);
    ASSERT_FALSE(written.empty());
    ASSERT_FALSE(synced.empty());
    EXPECT_EQ(g_calls[marked + 1], "syncfolder " + dir.path().string() + "/");
    EXPECT_LT(marked, written.front()) << "the rewrite is marked before its first byte";
    EXPECT_LT(written.back(), synced.back());
    EXPECT_LT(synced.back(), unmarked) << "the mark goes once the new content is on the disk";
    EXPECT_FALSE(fs::exists(path + ".saving"));
}

// --- Leftovers ----------------------------------------------------------------

// Temporaries of saves whose process has ended are removed by the next save and
// by the next opening; the temporaries of running processes, of other machines,
// names that only look alike, links and folders are left alone.
TEST_F(SaveSafety, StaleTemporariesOfThisProjectAreRemovedAndNothingElse)
{
    WriteFile(path, kOld);
    const std::string dead = std::to_string(EndedProcessId()) + "@" + ThisHost();
    const std::string alive = std::to_string(getppid()) + "@" + ThisHost();
    const std::vector<std::string> stale = {"fr.tok.~" + dead + ".0123abcd", "fr.tok.bak.~" + dead + ".89abcdef"};
    const std::vector<std::string> kept = {
        "fr.tok.~" + alive + ".0123abcd",         // a save running now
        "fr.tok.~" + dead.substr(0, dead.find('@')) + "@elsewhere.0123abcd", // another machine's
        "fr.tok.~" + dead + ".0123abc",           // not a name we give
        "fr.tok.~" + dead + ".0123ABCD",
        "fr.tok.~0123abcd",                       // an older program's, or anybody's
        "de.tok.~" + dead + ".0123abcd",          // another project's
        "notes.txt",
    };
    for (const auto &name : stale)
        WriteFile(dir.file(name), std::string(1000, 'x'));
    for (const auto &name : kept)
        WriteFile(dir.file(name), "keep");
    fs::create_directory(dir.path() / ("fr.tok.~" + dead + ".aaaaaaaa"));
    fs::create_symlink(dir.file("notes.txt"), dir.path() / ("fr.tok.~" + dead + ".bbbbbbbb"));

    EXPECT_EQ(saveOutcome(path), "ok");
    for (const auto &name : stale)
        EXPECT_FALSE(fs::exists(dir.file(name))) << name;
    for (const auto &name : kept)
        EXPECT_EQ(ReadFile(dir.file(name)), "keep") << name;
    EXPECT_TRUE(fs::is_directory(dir.path() / ("fr.tok.~" + dead + ".aaaaaaaa")));
    EXPECT_TRUE(fs::is_symlink(dir.path() / ("fr.tok.~" + dead + ".bbbbbbbb")));
}

TEST_F(SaveSafety, StaleTemporariesBesideTheLinkTargetAreRemovedToo)
{
    fs::create_directories(dir.path() / "shared");
    WriteFile(dir.file("shared/real.tok"), kOld);
    fs::create_symlink("shared/real.tok", path);
    const std::string dead = std::to_string(EndedProcessId()) + "@" + ThisHost();
    const std::string leftover = dir.file("shared/real.tok.~" + dead + ".cafe0123");
    WriteFile(leftover, "x");
    RemoveStaleTemporaries(path);
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(dir.file("shared/real.tok")));
}

// A save killed at any moment leaves the token file whole, old or new, and the
// next save removes what the killed one left.
TEST_F(SaveSafety, KilledSaveLeavesTheOldOrTheNewFileAndTheNextSaveCleansUp)
{
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += "[[4|1|" + std::to_string(i) + "|0|1|k]]=some text of a menu item\r\n";
    WriteFile(path, big);
    TokenTable table;
    LoadTokens(big, table);
    table.setCell(1, ColText, "changed");
    const std::string changed = FormatTokens(table);

    for (int round = 0; round < 6; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            for (;;)
                SaveProjectTokens(path, table);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 37 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = ReadFile(path);
        EXPECT_TRUE(now == big || now == changed) << "round " << round << ": " << now.size() << " bytes";
    }
    ASSERT_EQ(saveOutcome(path), "ok");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
}

// A save killed after the old file got the backup's name and before the new
// one replaced the token file leaves the two names on one file; one killed right
// after it linked the old file beside the backup leaves that link. The next save
// replaces the token file by a rename as usual (a rewrite in place could be
// killed half-way): the backup is the old file, and each has one name again.
TEST_F(SaveSafety, ASaveKilledBetweenItsTwoRenamesIsFollowedByAWholeOne)
{
    for (const bool linkRenamed : {true, false}) {
        SCOPED_TRACE(linkRenamed ? "backup named" : "link left beside the backup");
        WriteFile(path, kOld);
        fs::remove(path + ".bak");
        if (linkRenamed) {
            fs::create_hard_link(path, path + ".bak");
        } else {
            WriteFile(path + ".bak", "older backup");
            const std::string leftover = path + ".bak.~" + std::to_string(EndedProcessId()) + "@" + ThisHost();
            fs::create_hard_link(path, leftover + ".0123abcd");
        }
        const struct stat before = statOf(path);
        g_calls.clear();
        sysfile::SetTraceHook(recordCall);
        EXPECT_EQ(saveOutcome(path), "ok");
        sysfile::SetTraceHook(nullptr);
        EXPECT_NE(indexOf(g_calls, "rename " + path + ".~"), g_calls.size()) << testing::PrintToString(g_calls);
        EXPECT_EQ(ReadFile(path), kNew);
        EXPECT_EQ(ReadFile(path + ".bak"), kOld);
        EXPECT_EQ(statOf(path + ".bak").st_ino, before.st_ino);
        EXPECT_NE(statOf(path).st_ino, before.st_ino);
        EXPECT_EQ(statOf(path).st_nlink, 1u);
        EXPECT_EQ(statOf(path + ".bak").st_nlink, 1u);
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
    }
}

// --- In-place rewrites killed at every step ------------------------------------

int g_stepsLeft = -1; // the child kills itself when it reaches 0
int g_steps = 0;

void killAtStep(const char *, const std::string &)
{
    ++g_steps;
    if (g_stepsLeft >= 0 && g_stepsLeft-- == 0)
        raise(SIGKILL);
}

// A file with a second hard link is rewritten in place. Killed after any of the
// save's system steps, it is old, new, or marked: the mark names a whole backup
// that puts the old content back, with its time, so the journal fits again.
TEST_F(SaveSafety, AnInPlaceRewriteKilledAtAnyStepIsOldNewOrRestoredFromItsMark)
{
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += "[[4|1|" + std::to_string(i) + "|0|1|k]]=some text of a menu item\r\n";
    TokenTable table;
    LoadTokens(big, table);
    for (std::size_t row = 1; row <= table.tokenCount(); row += 7)
        table.setCell(row, ColText, "changed text, longer than before");
    const std::string changed = FormatTokens(table);
    WriteFile(path, big);
    fs::create_hard_link(path, dir.file("other.tok"));

    const ChildResult counted = RunInChild([&] {
        sysfile::SetTraceHook(killAtStep);
        const bool ok = SaveProjectTokens(path, table).ok();
        return ok ? std::to_string(g_steps) : std::string("failed");
    });
    ASSERT_TRUE(counted.ran) << counted.failure;
    const int steps = std::stoi(counted.output);
    ASSERT_GT(steps, 8);
    int old = 0, renewed = 0, restored = 0;
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        WriteFile(path, big);
        const struct stat before = statOf(path);
        const ChildResult killed = RunInChild([&] {
            g_stepsLeft = step;
            sysfile::SetTraceHook(killAtStep);
            SaveProjectTokens(path, table);
            return std::string("ended");
        });
        ASSERT_FALSE(killed.ran);
        const auto marker = SaveMarker::FindUnfinished(path);
        const std::string now = ReadFile(path);
        if (marker) {
            ASSERT_EQ(marker->restoreBackup(), 0);
            EXPECT_TRUE(ReadFile(path) == big);
            EXPECT_EQ(statOf(path).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            EXPECT_FALSE(fs::exists(path + ".saving"));
            ++restored;
        } else if (now == big) {
            ++old;
        } else {
            EXPECT_TRUE(now == changed) << now.size() << " bytes, neither old nor new, and no mark";
            ++renewed;
        }
        EXPECT_EQ(statOf(dir.file("other.tok")).st_ino, statOf(path).st_ino) << "one file under two names";
    }
    EXPECT_GT(restored, 0);
    RecordProperty("kills", steps);
    std::printf("in-place kills: %d, old %d, new %d, restored from the mark %d\n", steps, old, renewed, restored);
    // A save after a kill that left the mark keeps the backup the mark names.
    WriteFile(path, big);
    const ChildResult killedMidway = RunInChild([&] {
        g_stepsLeft = steps - 3;
        sysfile::SetTraceHook(killAtStep);
        SaveProjectTokens(path, table);
        return std::string();
    });
    ASSERT_FALSE(killedMidway.ran);
    if (SaveMarker::FindUnfinished(path)) {
        EXPECT_EQ(saveOutcome(path), "ok");
        EXPECT_TRUE(ReadFile(path + ".bak") == big) << "the whole old content stays the backup";
        EXPECT_FALSE(SaveMarker::FindUnfinished(path));
    }
}

// --- Links planted by others ---------------------------------------------------

struct PlantedCase
{
    const char *name;
    const char *planted; // the name made a link to the user's secret file
    bool inPlace;        // a second hard link makes the save rewrite in place
};

void PrintTo(const PlantedCase &c, std::ostream *out)
{
    *out << c.name;
}

class PlantedLink : public testing::TestWithParam<PlantedCase>
{
protected:
    TempDir dir;
    TempDir home;
};

// Someone who may write in the project folder makes one of the names the save
// writes a link to the translator's own file: the save never writes through it,
// still succeeds, and the secret file stays as it was.
TEST_P(PlantedLink, NothingIsWrittenThroughIt)
{
    const PlantedCase c = GetParam();
    const std::string path = dir.file("fr.tok");
    const std::string secret = home.file("secret.txt");
    WriteFile(path, kOld);
    WriteFile(secret, "my secret");
    if (c.inPlace)
        fs::create_hard_link(path, dir.file("other.tok"));
    fs::create_symlink(secret, dir.file(c.planted));
    const std::string outcome = saveOutcome(path);
    EXPECT_EQ(outcome, "ok");
    EXPECT_EQ(ReadFile(secret), "my secret");
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_FALSE(fs::exists(path + ".saving"));
}

INSTANTIATE_TEST_SUITE_P(Save, PlantedLink,
                         testing::Values(PlantedCase{"Backup", "fr.tok.bak", false},
                                         PlantedCase{"BackupInPlace", "fr.tok.bak", true},
                                         PlantedCase{"Marker", "fr.tok.saving", true},
                                         PlantedCase{"Lock", "fr.tok.lock", false}));

// In a sticky folder everyone may write (like /tmp), another user's link at the
// backup's name can be neither replaced nor removed: the old content goes under
// a fresh name, the save succeeds and says where the backup is.
TEST_F(SaveSafety, ABackupOfAnotherUserInAStickyFolderGoesUnderAFreshName)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to plant a link of another user";
    WriteFile(path, kOld);
    WriteFile(dir.file("secret.txt"), "my secret");
    ASSERT_TRUE(GiveTo(dir.file("secret.txt"), UnprivilegedUid(), UnprivilegedGid(), 0600));
    ASSERT_TRUE(GiveTo(path, UnprivilegedUid(), UnprivilegedGid(), 0644));
    fs::create_symlink(dir.file("secret.txt"), path + ".bak"); // root's link
    ASSERT_TRUE(GiveTo(dir.path().string(), 0, 0, 01777));
    const auto saved = RunUnprivileged([&] {
        const std::string first = saveOutcome(path);
        const TokenTable table = changedTable();
        const SaveResult again = SaveProjectTokens(path, table);
        return Report({{"first", first}, {"again", again.ok() ? again.message : "failed: " + again.message}});
    });
    REQUIRE_CHILD_RAN(saved);
    auto r = ParseReport(saved.output);
    EXPECT_EQ(r["first"], "ok");
    EXPECT_NE(r["again"].find("kept in " + path + ".bak.1 instead"), std::string::npos) << r["again"];
    EXPECT_EQ(ReadFile(dir.file("secret.txt")), "my secret");
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_EQ(ReadFile(path + ".bak.1"), kNew) << "the second save reuses the user's own fresh backup";
    EXPECT_TRUE(fs::is_symlink(path + ".bak"));
}

// --- Messages -----------------------------------------------------------------

// A disk that fills up part-way through a save: the message names the token file
// and says what the system said; the token file and the old backup stay as they
// were, and no temporary is left. A token file with a second name is backed up
// by a copy (then rewritten in place), so the disk fills up during that copy;
// any other is backed up by a link once the new content is written, so the disk
// fills up while the new content is written.
TEST_F(SaveSafety, FullDiskPartWayChangesNothingAndSaysWhy)
{
    const struct
    {
        bool secondName;
        std::string message;
        std::vector<std::string> files;
    } cases[] = {
        {true, "Can't copy the token file " + path + " to its backup: No space left on device",
         {"fr.tok", "fr.tok.bak", "other.tok"}},
        {false, "Can't write the token file " + path + ": No space left on device", {"fr.tok", "fr.tok.bak"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        const std::string disk = dir.path().string();
        const auto result = RunWithSmallDisk(disk, 256 * 1024, [&] {
            std::string tokens;
            for (int i = 0; tokens.size() < 150 * 1024; ++i)
                tokens += "[[4|1|" + std::to_string(i) + "|0|1|k]]=text\r\n";
            WriteFile(path, tokens);
            if (c.secondName)
                fs::create_hard_link(path, dir.file("other.tok"));
            WriteFile(path + ".bak", "old backup");
            TokenTable table;
            LoadTokens(tokens, table);
            table.setCell(1, ColText, "changed");
            const SaveResult saved = SaveProjectTokens(path, table);
            return Report({{"ok", saved.ok() ? "1" : "0"},
                           {"message", saved.message},
                           {"untouched", ReadFile(path) == tokens ? "1" : "0"},
                           {"links", std::to_string(statOf(path).st_nlink)},
                           {"backup", ReadFile(path + ".bak")},
                           {"files", testing::PrintToString(namesIn(disk))}});
        });
        REQUIRE_CHILD_RAN(result);
        auto r = ParseReport(result.output);
        EXPECT_EQ(r["ok"], "0");
        EXPECT_EQ(r["message"], c.message);
        EXPECT_EQ(r["untouched"], "1");
        EXPECT_EQ(r["links"], c.secondName ? "2" : "1");
        EXPECT_EQ(r["backup"], "old backup");
        EXPECT_EQ(r["files"], testing::PrintToString(c.files));
    }
}

// --- The backup -----------------------------------------------------------------

// A token file replaced by a rename needs no copy: the backup is the old file
// itself under the backup's name, with its content, owner, group and mode, and
// each of the two has one name again.
TEST_F(SaveSafety, TheBackupIsTheOldFileItself)
{
    WriteFile(path, kOld);
    chmod(path.c_str(), 0640);
    WriteFile(path + ".bak", "old backup");
    const struct stat before = statOf(path);
    EXPECT_EQ(saveOutcome(path), "ok");
    const struct stat backup = statOf(path + ".bak");
    const struct stat after = statOf(path);
    EXPECT_EQ(ReadFile(path + ".bak"), kOld);
    EXPECT_EQ(ReadFile(path), kNew);
    EXPECT_EQ(backup.st_ino, before.st_ino);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(backup.st_nlink, 1u);
    EXPECT_EQ(after.st_nlink, 1u);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fr.tok", "fr.tok.bak"}));
}

// Where the backup cannot be a second name of the token file (here it lies on
// another file system than the file the token file's link names), it is a copy.
TEST_F(SaveSafety, TheBackupIsACopyWhereNoSecondNameCanBeMade)
{
    const std::string other = dir.file("other");
    fs::create_directories(other);
    const auto result = RunWithSmallDisk(other, 1024 * 1024, [&] {
        const std::string target = other + "/fr.tok";
        WriteFile(target, kOld);
        fs::create_symlink(target, path);
        const std::string outcome = saveOutcome(path);
        return Report({{"outcome", outcome},
                       {"target", ReadFile(target) == kNew ? "new" : "other"},
                       {"backup", ReadFile(path + ".bak") == kOld ? "old" : "other"},
                       {"backupIsAFile", fs::is_regular_file(fs::symlink_status(path + ".bak")) ? "1" : "0"},
                       {"there", testing::PrintToString(namesIn(other))},
                       {"here", testing::PrintToString(namesIn(dir.path()))}});
    });
    REQUIRE_CHILD_RAN(result);
    auto r = ParseReport(result.output);
    EXPECT_EQ(r["outcome"], "ok");
    EXPECT_EQ(r["target"], "new");
    EXPECT_EQ(r["backup"], "old");
    EXPECT_EQ(r["backupIsAFile"], "1");
    EXPECT_EQ(r["there"], testing::PrintToString(std::vector<std::string>{"fr.tok"}));
    EXPECT_EQ(r["here"], testing::PrintToString(std::vector<std::string>{"fr.tok", "fr.tok.bak", "other"}));
}

// The disk fills up while the new content is written in place: the old content
// is written back, and the message says so.
TEST_F(SaveSafety, FullDiskDuringAnInPlaceRewritePutsTheOldContentBack)
{
    const std::string disk = dir.path().string();
    const auto result = RunWithSmallDisk(disk, 256 * 1024, [&] {
        std::string tokens;
        for (int i = 0; tokens.size() < 60 * 1024; ++i)
            tokens += "[[4|1|" + std::to_string(i) + "|0|1|k]]=text\r\n";
        WriteFile(path, tokens);
        fs::create_hard_link(path, dir.file("other.tok"));
        TokenTable table;
        LoadTokens(tokens, table);
        for (std::size_t row = 1; row <= table.tokenCount(); ++row)
            table.setCell(row, ColText, std::string(200, 'w')); // far more than the disk holds
        const SaveResult saved = SaveProjectTokens(path, table);
        return Report({{"ok", saved.ok() ? "1" : "0"},
                       {"message", saved.message},
                       {"restored", ReadFile(path) == tokens ? "1" : "0"},
                       {"backup", ReadFile(path + ".bak") == tokens ? "1" : "0"}});
    });
    REQUIRE_CHILD_RAN(result);
    auto r = ParseReport(result.output);
    EXPECT_EQ(r["ok"], "0");
    EXPECT_EQ(r["message"], "Can't write the token file " + path +
                                ": No space left on device. Its previous content was put back.");
    EXPECT_EQ(r["restored"], "1");
    EXPECT_EQ(r["backup"], "1");
}

} // namespace
