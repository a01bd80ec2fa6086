// The autosave journal and the recovery of its changes.
#include "childprocess.h"
#include "store/journal.h"
#include "store/processtag.h"
#include "testfiles.h"
#include "store/tokenchanges.h"
#include "tokenio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <mutex>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

TokenTable tableOf(const std::string &bytes)
{
    TokenTable table;
    LoadTokens(bytes, table);
    table.buildKeyIndex();
    return table;
}

const std::string kMaster = "[[4|1|1|0|1|m]]=&File\r\n"
                            "[[4|1|2|0|1|m]]=&Open...\r\n"
                            "[[4|1|3|0|1|m]]=E&xit\r\n"
                            "[[6|1|7|0|1|]]=Ready\r\n";
const std::string kProject = "[[4|1|1|0|1|m]]=&File\r\n"
                             "[[4|1|2|0|1|m]]=&Open...\r\n"
                             "[[4|1|3|0|3|m]]=E&xit\r\n"
                             "[[6|1|7|0|1|]]=Ready\r\n";

// Types a text into a row as the window does: text, then status 4.
TokenChange typeInto(TokenTable &project, const TokenTable &master, std::size_t row, const std::string &text)
{
    project.setCell(row, ColText, text);
    project.setCell(row, ColStatus, "4");
    return DescribeChange(project, master, row, true);
}

std::mutex g_syncsMutex;
std::vector<std::string> g_syncs;

void recordSync(const char *call, const std::string &path)
{
    std::lock_guard<std::mutex> lock(g_syncsMutex);
    g_syncs.push_back(std::string(call) + " " + path);
}

class JournalTest : public testing::Test
{
protected:
    TempDir dir;
    std::string folder = dir.file("state/Velmora Tamrix/journals");
    std::string tokenFile = dir.file("fr.tok");

    void SetUp() override { WriteFile(tokenFile, kProject); }

    std::vector<std::string> journalFiles() const
    {
        std::vector<std::string> names;
        if (fs::exists(folder)) {
            for (const auto &entry : fs::directory_iterator(folder))
                names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_F(JournalTest, EveryByteOfTheChangesComesBack)
{
    std::string anyBytes;
    for (int b = 0; b < 256; ++b)
        anyBytes += static_cast<char>(b);
    TokenChange odd;
    odd.row = 123456789;
    odd.key[0] = "4";
    odd.key[4] = "k#1:2";
    odd.master = anyBytes;
    odd.textChanged = true;
    odd.text = "12:3#00000000\n" + anyBytes;
    odd.status = "4";
    TokenChange status;
    status.row = 2;
    status.status = "1";

    Journal journal(folder);
    journal.begin(tokenFile, IdentityOf(tokenFile));
    ASSERT_EQ(journal.append(odd), 0);
    ASSERT_EQ(journal.append(status), 0);
    const JournalContent read = ReadJournal(journal.path());
    ASSERT_TRUE(read.valid);
    EXPECT_EQ(read.tokenFile, tokenFile);
    EXPECT_EQ(read.base, IdentityOf(tokenFile));
    EXPECT_TRUE(read.writer.isThisProcess());
    ASSERT_EQ(read.changes.size(), 2u);
    const TokenChange &a = read.changes[0];
    EXPECT_EQ(a.row, odd.row);
    EXPECT_EQ(a.key[4], odd.key[4]);
    EXPECT_EQ(a.master, anyBytes);
    EXPECT_TRUE(a.textChanged);
    EXPECT_EQ(a.text, odd.text);
    EXPECT_FALSE(read.changes[1].textChanged);
    EXPECT_EQ(read.changes[1].status, "1");
}

TEST_F(JournalTest, NothingIsWrittenBeforeTheFirstChangeAndDiscardRemovesIt)
{
    Journal journal(folder);
    journal.begin(tokenFile, IdentityOf(tokenFile));
    EXPECT_TRUE(journalFiles().empty());
    TokenChange change;
    change.row = 1;
    change.status = "4";
    ASSERT_EQ(journal.append(change), 0);
    ASSERT_EQ(journalFiles().size(), 1u);
    const std::string name = journalFiles().front();
    EXPECT_EQ(name.compare(0, JournalPrefix(tokenFile).size(), JournalPrefix(tokenFile)), 0) << name;
    EXPECT_EQ(name.compare(0, 7, "fr.tok-"), 0);
    const std::string ending = "." + ThisProcessTag() + ".journal";
    EXPECT_EQ(name.substr(name.size() - ending.size()), ending);

    journal.discard();
    EXPECT_TRUE(journalFiles().empty());
    // The next change starts a new journal.
    ASSERT_EQ(journal.append(change), 0);
    EXPECT_EQ(ReadJournal(journal.path()).changes.size(), 1u);
}

// Each change reaches the system when it is made; flush() puts it on the disk.
TEST_F(JournalTest, ChangesAreHandedOverAtOnceAndFlushedOnRequest)
{
    Journal journal(folder);
    journal.begin(tokenFile, IdentityOf(tokenFile));
    TokenChange change;
    change.row = 1;
    change.status = "4";
    g_syncs.clear();
    sysfile::SetTraceHook(recordSync);
    journal.append(change);
    // Another reader sees it at once, before it is on the disk.
    EXPECT_EQ(ReadJournal(journal.path()).changes.size(), 1u);
    EXPECT_EQ(journal.flush(), 0);
    EXPECT_FALSE(journal.needsFlush());
    sysfile::SetTraceHook(nullptr);
    std::lock_guard<std::mutex> lock(g_syncsMutex);
    EXPECT_EQ(std::count(g_syncs.begin(), g_syncs.end(), "sync " + journal.path()), 2)
        << "the header when the journal begins, then the change";
}

// A record cut anywhere (the power went while it was written) ends the reading
// and is cut off at the next start; a damaged record is skipped and said, the
// records after it still count; a journal followed by a mass of zeros is read
// only as far as the longest record can reach.
TEST_F(JournalTest, TornOrDamagedRecords)
{
    Journal journal(folder);
    journal.begin(tokenFile, IdentityOf(tokenFile));
    for (int i = 1; i <= 3; ++i) {
        TokenChange change;
        change.row = static_cast<std::size_t>(i);
        change.textChanged = true;
        change.text = "text " + std::to_string(i);
        change.status = "4";
        journal.append(change);
    }
    const std::string whole = ReadFile(journal.path());
    const std::string copy = dir.file("copy.journal");
    const std::size_t thirdStart = whole.rfind("\nC") + 1;
    for (std::size_t cut = thirdStart + 1; cut < whole.size(); ++cut) {
        WriteFile(copy, whole.substr(0, cut));
        const JournalContent read = ReadJournal(copy);
        EXPECT_EQ(read.changes.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(read.tornBytes, cut - thirdStart) << "cut at " << cut;
        EXPECT_EQ(read.damagedPlaces, 0) << "cut at " << cut;
    }
    ASSERT_EQ(CutTornTail(ReadJournal(copy)), 0);
    EXPECT_EQ(ReadFile(copy), whole.substr(0, thirdStart));

    struct
    {
        const char *what;
        std::string bytes;
        std::size_t changes;
        int damaged;
    } rows[] = {
        {"a flipped byte in record 2", whole, 2, 1},
        {"the header damaged", "QUENLIT", 0, 0},
        {"zeros after the records", whole + std::string(3000, '\0'), 3, 1},
    };
    rows[0].bytes[whole.find("text 2")] = 'T';
    for (const auto &row : rows) {
        WriteFile(copy, row.bytes);
        const JournalContent read = ReadJournal(copy);
        EXPECT_EQ(read.valid, row.changes != 0) << row.what;
        EXPECT_EQ(read.changes.size(), row.changes) << row.what;
        EXPECT_EQ(read.damagedPlaces, row.damaged) << row.what;
    }
    EXPECT_EQ(ReadJournal(copy).unreadBytes, 3000u);
    EXPECT_EQ(ReadJournal(dir.file("copy2.journal")).valid, false);

    // 1.5 GB of zeros (a sparse file): read no further than the bound.
    WriteFile(copy, whole);
    fs::resize_file(copy, whole.size() + (std::uint64_t(3) << 29));
    const JournalContent huge = ReadJournal(copy);
    EXPECT_EQ(huge.changes.size(), 3u);
    EXPECT_EQ(huge.damagedPlaces, 1);
}

// A journal left at "&Close" says so; one of an editor that ended does not.
TEST_F(JournalTest, AJournalLeftAtCloseSaysSo)
{
    TokenChange change;
    change.row = 1;
    change.status = "4";
    Journal closed(folder);
    closed.begin(tokenFile, IdentityOf(tokenFile));
    closed.append(change);
    const std::string path = closed.path();
    EXPECT_FALSE(ReadJournal(path).closedWithoutSaving);
    closed.leave();
    const JournalContent read = ReadJournal(path);
    EXPECT_TRUE(read.closedWithoutSaving);
    EXPECT_EQ(read.changes.size(), 1u);
    EXPECT_EQ(read.damagedPlaces, 0);
}

// The disk of the state folder fills up: the journal fails, and once there is
// room again it starts anew with every change the caller kept, and the failed
// file goes.
TEST_F(JournalTest, ResumesWithEveryChangeOnceTheDiskHasRoomAgain)
{
    const std::string state = dir.file("small");
    fs::create_directories(state);
    const auto result = RunWithSmallDisk(state, 64 * 1024, [&] {
        const std::string journals = state + "/journals";
        Journal journal(journals);
        journal.begin(tokenFile, IdentityOf(tokenFile));
        std::vector<TokenChange> kept;
        TokenChange change;
        change.row = 1;
        change.textChanged = true;
        change.status = "4";
        change.text = std::string(4500, 'a');
        kept.push_back(change);
        journal.append(change);
        WriteFile(state + "/filler", std::string(60 * 1024, 'x'));
        int failedAt = 0;
        for (int i = 2; i < 40 && !failedAt; ++i) {
            change.row = static_cast<std::size_t>(i);
            kept.push_back(change);
            if (journal.append(change) != 0)
                failedAt = i;
        }
        const bool failing = journal.failing();
        const bool stillFails = journal.resume(kept) != 0;
        fs::remove(state + "/filler");
        change.row = 99;
        kept.push_back(change);
        const int resumed = journal.resume(kept);
        journal.append(change);
        journal.flush();
        const JournalContent read = ReadJournal(journal.path());
        std::size_t files = 0;
        for ([[maybe_unused]] const auto &entry : fs::directory_iterator(journals))
            ++files;
        return Report({{"failedAt", std::to_string(failedAt)},
                       {"failing", failing ? "1" : "0"},
                       {"stillFails", stillFails ? "1" : "0"},
                       {"resumed", std::to_string(resumed)},
                       {"changes", std::to_string(read.changes.size())},
                       {"expected", std::to_string(kept.size() + 1)},
                       {"damaged", std::to_string(read.damagedPlaces + read.tornBytes)},
                       {"files", std::to_string(files)}});
    });
    REQUIRE_CHILD_RAN(result);
    auto r = ParseReport(result.output);
    EXPECT_NE(r["failedAt"], "0");
    EXPECT_EQ(r["failing"], "1");
    EXPECT_EQ(r["stillFails"], "1");
    EXPECT_EQ(r["resumed"], "0");
    EXPECT_EQ(r["changes"], r["expected"]);
    EXPECT_EQ(r["damaged"], "0");
    EXPECT_EQ(r["files"], "1");
}

// Journals are the user's own: a folder others may write, or one of another
// user, is not read at all; a journal of another user, or one others may
// write, is left out; the journals folder is made 0700.
TEST_F(JournalTest, OnlyTheUsersOwnJournalsAreRead)
{
    TokenChange change;
    change.row = 1;
    change.status = "4";
    Journal left(folder);
    left.begin(tokenFile, IdentityOf(tokenFile));
    left.append(change);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    left.leave();
    ASSERT_EQ(FindOrphanJournals(tokenFile, folder).size(), 1u);

    fs::permissions(folder, fs::perms::all);
    JournalSearch search;
    EXPECT_TRUE(FindOrphanJournals(tokenFile, folder, &search).empty());
    EXPECT_EQ(search.folderProblem, "the journals folder " + folder + " may be written by other users");
    fs::permissions(folder, fs::perms::owner_all);

    fs::permissions(left.path().empty() ? FindOrphanJournals(tokenFile, folder)[0] : left.path(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_write);
    search = {};
    EXPECT_TRUE(FindOrphanJournals(tokenFile, folder, &search).empty());
    EXPECT_EQ(search.refused.size(), 1u);
    if (RunningAsRoot()) {
        const std::string journal = search.refused[0];
        fs::permissions(journal, fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_TRUE(GiveTo(journal, UnprivilegedUid(), UnprivilegedGid(), 0600)); // another user's
        search = {};
        EXPECT_TRUE(FindOrphanJournals(tokenFile, folder, &search).empty());
        EXPECT_EQ(search.refused.size(), 1u);
        ASSERT_TRUE(GiveTo(folder, UnprivilegedUid(), UnprivilegedGid(), 0700));
        search = {};
        EXPECT_TRUE(FindOrphanJournals(tokenFile, folder, &search).empty());
        EXPECT_EQ(search.folderProblem, "the journals folder " + folder + " belongs to another user");
    }
}

TEST_F(JournalTest, LivesInTheUsersStateFolder)
{
    const char *savedState = getenv("XDG_STATE_HOME");
    const char *savedHome = getenv("HOME");
    const std::string oldState = savedState ? savedState : "";
    const std::string oldHome = savedHome ? savedHome : "";
    setenv("XDG_STATE_HOME", "/somewhere/state", 1);
    setenv("HOME", "/home/tr", 1);
    EXPECT_EQ(Journal::DefaultFolder(), "/somewhere/state/Velmora Tamrix/journals");
    setenv("XDG_STATE_HOME", "relative/state", 1); // not absolute: ignored
    EXPECT_EQ(Journal::DefaultFolder(), "/home/tr/.local/state/Velmora Tamrix/journals");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(Journal::DefaultFolder(), "/home/tr/.local/state/Velmora Tamrix/journals");
    savedState ? setenv("XDG_STATE_HOME", oldState.c_str(), 1) : unsetenv("XDG_STATE_HOME");
    savedHome ? setenv("HOME", oldHome.c_str(), 1) : unsetenv("HOME");
}

// An editor killed in the middle of its work leaves its journal, with every
// change it made; a later editor finds it. Journals of running editors, of other
// machines, and of other token files are not offered.
TEST_F(JournalTest, KilledEditorLeavesAJournalThatIsFoundAgain)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t editor = fork();
    if (editor == 0) {
        TokenTable master = tableOf(kMaster);
        TokenTable project = tableOf(kProject);
        Journal journal(folder);
        journal.begin(tokenFile, IdentityOf(tokenFile));
        journal.append(typeInto(project, master, 1, "&Fichier"));
        journal.append(typeInto(project, master, 2, "&Ouvrir..."));
        (void)!write(ready[1], "x", 1);
        pause(); // killed here, with unsaved work
        _exit(0);
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    // While it runs, its journal is its own.
    EXPECT_TRUE(FindOrphanJournals(tokenFile, folder).empty());
    kill(editor, SIGKILL);
    waitpid(editor, nullptr, 0);

    // Noise: another machine's journal, another token file's, a running one's.
    const std::string prefix = folder + "/" + JournalPrefix(tokenFile);
    WriteFile(prefix + "1." + std::to_string(EndedProcessId()) + "@elsewhere.journal", "x");
    WriteFile(prefix + "1." + std::to_string(getppid()) + "@" + ThisHost() + ".journal", "x");
    {
        Journal other(folder);
        other.begin(dir.file("de.tok"), {});
        TokenChange change;
        change.row = 1;
        other.append(change);
        // Renamed as if it were the French file's, by a process that ended: its
        // header still tells it apart.
        fs::rename(other.path(), prefix + "1." + std::to_string(EndedProcessId()) + "@" + ThisHost() + ".journal");
        other.discard();
    }

    const auto found = FindOrphanJournals(tokenFile, folder);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("." + std::to_string(editor) + "@"), std::string::npos);
    const JournalContent content = ReadJournal(found[0]);
    ASSERT_EQ(content.changes.size(), 2u);
    EXPECT_EQ(content.changes[1].text, "&Ouvrir...");
    EXPECT_EQ(content.changes[1].master, "&Open...");
    EXPECT_EQ(content.base, IdentityOf(tokenFile));
}

// A project closed with unsaved changes leaves its journal: the next opening of
// the project, in this process too, finds it; the journal being written is not.
TEST_F(JournalTest, JournalLeftAtCloseIsFoundAndTheOneBeingWrittenIsNot)
{
    TokenChange change;
    change.row = 1;
    change.status = "4";
    Journal closed(folder);
    closed.begin(tokenFile, IdentityOf(tokenFile));
    closed.append(change);
    const std::string left = closed.path();
    Journal current(folder);
    current.begin(tokenFile, IdentityOf(tokenFile));
    current.append(change);
    EXPECT_TRUE(FindOrphanJournals(tokenFile, folder).empty());
    closed.leave();
    EXPECT_EQ(FindOrphanJournals(tokenFile, folder), std::vector<std::string>{left});
    EXPECT_EQ(ReadJournal(left).changes.size(), 1u);
}

// --- Applying changes again -----------------------------------------------------

class Recovery : public testing::Test
{
protected:
    TokenTable master = tableOf(kMaster);
    TokenTable project = tableOf(kProject);
    std::vector<TokenChange> changes;

    void SetUp() override
    {
        changes.push_back(typeInto(project, master, 1, "&Fichier"));
        changes.push_back(typeInto(project, master, 2, "Ouvrir"));
        changes.push_back(typeInto(project, master, 2, "&Ouvrir..."));
        project.setCell(3, ColStatus, "6"); // "Translated" clicked on the read-only token
        changes.push_back(DescribeChange(project, master, 3, false));
    }
};

// The same file as the journal was made against: every change goes to its row.
TEST_F(Recovery, SameFileTakesEveryChangeByRow)
{
    TokenTable fresh = tableOf(kProject);
    const ApplyReport report = ApplyChanges(changes, fresh, master, true);
    EXPECT_TRUE(report.notApplied.empty());
    EXPECT_EQ(report.rows(), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_TRUE(report.applied[1].textChanged);
    EXPECT_FALSE(report.applied[2].textChanged);
    EXPECT_EQ(FormatTokens(fresh), FormatTokens(project));
}

// The file changed meanwhile (lines added, moved, one removed, a master text
// changed): changes follow their tokens by key; those whose token is gone or
// whose master text changed are reported, not applied.
TEST_F(Recovery, ChangedFileMatchesByKeyAndMasterText)
{
    const std::string changedMaster = "[[4|1|1|0|1|m]]=&File\r\n"
                                      "[[4|1|2|0|1|m]]=&Open a file...\r\n"
                                      "[[6|1|7|0|1|]]=Ready\r\n";
    const std::string changedProject = "[[6|1|7|0|1|]]=Ready\r\n"
                                       "[[4|1|9|0|1|m]]=New\r\n"
                                       "[[4|1|2|0|1|m]]=&Open a file...\r\n"
                                       "[[4|1|1|0|1|m]]=&File\r\n";
    TokenTable newMaster = tableOf(changedMaster);
    TokenTable fresh = tableOf(changedProject);
    const ApplyReport report = ApplyChanges(changes, fresh, newMaster, false);
    EXPECT_EQ(report.rows(), (std::vector<std::size_t>{4}));
    EXPECT_EQ(fresh.cell(4, ColText), "&Fichier");
    EXPECT_EQ(fresh.cell(4, ColStatus), "4");
    EXPECT_EQ(fresh.cell(3, ColText), "&Open a file...") << "a change typed against another master text";
    ASSERT_EQ(report.notApplied.size(), 2u);
    EXPECT_EQ(report.notApplied[0].reason, ChangeNotApplied::MasterChanged);
    EXPECT_EQ(report.notApplied[0].change.text, "&Ouvrir...");
    EXPECT_EQ(report.notApplied[0].masterNow, "&Open a file...");
    EXPECT_EQ(report.notApplied[1].reason, ChangeNotApplied::KeyGone);
    EXPECT_EQ(report.notApplied[1].change.key[2], "3");
    const std::string listed = DescribeNotApplied(report.notApplied);
    EXPECT_NE(listed.find("your translation: &Ouvrir..."), std::string::npos) << listed;
    EXPECT_NE(listed.find("original text now: &Open a file..."), std::string::npos) << listed;
    EXPECT_NE(listed.find("[[4|1|3|0|6|m]]"), std::string::npos) << listed;
}

// A token that became read-only takes no text; a status change keeps the
// token's present read-only flag, as a click on "Translated" would.
TEST_F(Recovery, ReadOnlyTokensKeepTheirTextAndFlag)
{
    const std::string changedProject = "[[4|1|1|0|3|m]]=&File\r\n"
                                       "[[4|1|2|0|1|m]]=&Open...\r\n"
                                       "[[4|1|3|0|1|m]]=E&xit\r\n";
    TokenTable fresh = tableOf(changedProject);
    const ApplyReport report = ApplyChanges(changes, fresh, master, false);
    ASSERT_EQ(report.notApplied.size(), 1u);
    EXPECT_EQ(report.notApplied[0].reason, ChangeNotApplied::ReadOnlyNow);
    EXPECT_EQ(fresh.cell(1, ColText), "&File");
    EXPECT_EQ(fresh.cell(1, ColStatus), "3");
    EXPECT_EQ(fresh.cell(3, ColStatus), "4") << "translated, and no longer read-only as in the file";
}

// Several tokens with one key (they share their master text): a change goes to
// the one nearest its old row.
TEST_F(Recovery, DuplicateKeysGoToTheNearestRow)
{
    std::string lines;
    for (int i = 1; i <= 10; ++i)
        lines += i == 2 || i == 10 ? "[[6|1|7|0|1|]]=dup " + std::to_string(i) + "\r\n"
                                   : "[[4|1|" + std::to_string(100 + i) + "|0|1|m]]=x\r\n";
    TokenTable before = tableOf(lines);
    std::vector<TokenChange> typed{typeInto(before, master, 10, "tenth")};
    TokenTable inserted = tableOf("[[4|1|1|0|1|m]]=new line\r\n" + lines); // every row moved down by one
    const ApplyReport report = ApplyChanges(typed, inserted, master, false);
    EXPECT_EQ(report.rows(), (std::vector<std::size_t>{11}));
    EXPECT_EQ(inserted.cell(3, ColText), "dup 2");
    EXPECT_EQ(inserted.cell(11, ColText), "tenth");
}

// From the journal back into a table, through the file: the recovered table
// saves to the same bytes as the lost one would have.
TEST_F(Recovery, JournalRoundTripGivesTheSameTable)
{
    TempDir dir;
    Journal journal(dir.file("journals"));
    journal.begin(dir.file("fr.tok"), {});
    for (const auto &change : changes)
        journal.append(change);
    TokenTable fresh = tableOf(kProject);
    const ApplyReport report = ApplyChanges(ReadJournal(journal.path()).changes, fresh, master, true);
    EXPECT_TRUE(report.notApplied.empty());
    EXPECT_EQ(FormatTokens(fresh), FormatTokens(project));
}

TEST(CollapseChanges, LastTextAndStatusOfEachRowInOrderOfLastChange)
{
    auto change = [](std::size_t row, bool text, const std::string &value, const std::string &status) {
        TokenChange c;
        c.row = row;
        c.textChanged = text;
        c.text = value;
        c.status = status;
        return c;
    };
    const auto collapsed = CollapseChanges(
        {change(5, true, "a", "4"), change(2, false, "", "1"), change(5, false, "", "1"), change(2, false, "", "4")});
    ASSERT_EQ(collapsed.size(), 2u);
    EXPECT_EQ(collapsed[0].row, 5u);
    EXPECT_TRUE(collapsed[0].textChanged);
    EXPECT_EQ(collapsed[0].text, "a");
    EXPECT_EQ(collapsed[0].status, "1");
    EXPECT_EQ(collapsed[1].row, 2u);
    EXPECT_FALSE(collapsed[1].textChanged);
    EXPECT_EQ(collapsed[1].status, "4");
}

} // namespace
