#pragma once

#include "store/fileidentity.h"
#include "store/processtag.h"
#include "store/sysfile.h"
#include "store/tokenchanges.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The autosave journal of an open project: every committed change, appended to a
// small file of the user's state folder as soon as it is made, so that an editor
// that dies (killed, crashed, the machine lost power) leaves its unsaved work
// behind for the next opening of the same project.
//
// Journals live in $XDG_STATE_HOME/Velmora Tamrix/journals (by default
// ~/.local/state/...), named "<token file name>-<hash of its absolute path>-
// <n>.<pid>@<host>.journal", so that the journals of one token file are found by
// name and a journal whose process has ended is told from one still written to.
// A journal starts with the token file's absolute path and its identity (size,
// time, inode) when the changes began; each record holds one TokenChange with a
// checksum, and a torn last record is ignored on reading.
//
// append() hands the record to the system at once, which is all a crash of the
// program needs; a thread of the journal's own then writes it to the disk
// (fdatasync) within about 50 ms, changes made together sharing one write, so
// that the window's thread never waits for the disk and a power cut loses at
// most the changes of the last instant.
class Journal
{
public:
    // The journals' folder for this user.
    static std::string DefaultFolder();

    explicit Journal(std::string folder = DefaultFolder());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Starts over for a token file (absolute path, links resolved) whose content
    // on disk has the given identity. An earlier journal file of this object is
    // removed. Nothing is written before the first change.
    void begin(const std::string &tokenFile, const FileIdentity &base);
    // Appends a change and hands it to the system at once (a crash of the
    // program loses nothing); the disk write follows on the journal's thread.
    // Returns 0 or the error of the failing call; after an error the journal
    // stops writing.
    int append(const TokenChange &change);
    // Waits until everything appended is on the disk.
    int flush();
    bool needsFlush() const;
    // Starts a new journal file holding all of `changes` (every change since
    // the base, as the caller keeps them), after a write error: the failed one
    // goes once the new one is on the disk. Returns 0 or the error; the
    // journal stays failed then, and the old file as it was.
    int resume(const std::vector<TokenChange> &changes);
    // Whether a write or a disk write failed since the journal last worked.
    bool failing() const;
    // Removes the journal file (a clean save, or the user gave the changes up);
    // the next change starts a new one against `base`.
    void discard();
    // Stops writing and leaves the file for a later recovery (the project was
    // closed with its changes unsaved); the file says it was closed so.
    void leave();
    void rebase(const FileIdentity &base);

    bool active() const { return m_file.isOpen(); }
    const std::string &folder() const { return m_folder; }
    const std::string &path() const { return m_path; }
    const std::string &tokenFile() const { return m_tokenFile; }
    int error() const { return m_error; }

    // Whether a journal file is open by a Journal of this process.
    static bool InUse(const std::string &path);

private:
    int open();
    void close(bool remove);
    static void addRecord(std::string &record, const TokenChange &change);
    void syncLoop();

    std::string m_folder;
    std::string m_tokenFile;
    FileIdentity m_base;
    std::string m_path;
    sysfile::File m_file;
    std::string m_record;
    int m_error = 0;

    // The disk writer: appended bytes wait for it while m_written > m_synced.
    std::thread m_syncer;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::uint64_t m_written = 0;
    std::uint64_t m_synced = 0;
    bool m_syncing = false;
    bool m_stop = false;
    bool m_flushWanted = false;
    int m_syncError = 0;
};

// A journal as read back.
struct JournalContent
{
    bool valid = false; // the header could be read
    std::string path;
    std::string tokenFile;
    FileIdentity base;
    ProcessTag writer;
    std::vector<TokenChange> changes;
    bool closedWithoutSaving = false; // the project was closed, the editor did not end
    int damagedPlaces = 0;            // stretches of bytes that were no sound record
    std::uint64_t unreadBytes = 0;    // their length
    std::uint64_t tornBytes = 0;      // a record cut short at the end (the power went)
    std::uint64_t readLength = 0;     // the end of the last sound record
};

// Reads a journal record by record, each within the length the longest change
// can have: a damaged record is skipped (the records after it still count), a
// torn one at the end ends the reading.
JournalContent ReadJournal(const std::string &path);
// Its header alone.
JournalContent ReadJournalHeader(const std::string &path);
// Cuts a record torn at the end off the journal file, so that what is appended
// later is not hidden behind it.
int CutTornTail(const JournalContent &content);

// Why the journals folder may not be read ("the journals folder ... belongs to
// another user"), empty when it may: it must be this user's, writable by no
// one else.
std::string JournalFolderProblem(const std::string &folder);

// What a search for journals left out, for the user to hear of.
struct JournalSearch
{
    std::string folderProblem;          // the folder is not read at all
    std::vector<std::string> refused;   // journals of another user, or writable by others
    std::vector<std::string> damaged;   // journals whose header cannot be read
};

// The journals of a token file (absolute path, links resolved) left by editors
// of this machine that have ended, or by a project of this process that was
// closed with unsaved changes, oldest first. Journals still written to, and
// those of other machines, are left alone.
// Only this user's own journals are taken (see JournalSearch), and only for
// the token file they name by path, on the disk they name.
std::vector<std::string> FindOrphanJournals(const std::string &tokenFile,
                                            const std::string &folder = Journal::DefaultFolder(),
                                            JournalSearch *search = nullptr);

// The file name prefix of the journals of a token file.
std::string JournalPrefix(const std::string &tokenFile);
