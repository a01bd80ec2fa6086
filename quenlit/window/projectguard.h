#pragma once

#include "store/fileidentity.h"
#include "store/journal.h"
#include "store/projectlock.h"
#include "store/projectopen.h"
#include "store/tokenchanges.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

class Desktop;
class QWidget;

namespace quenlit {

// Keeps the open project's work safe for the window that owns it: the lock that
// tells other editors the project is open, the autosave journal of every
// committed change and the recovery of a journal an editor left behind, and the
// watch on the token file for other programs that rewrite it. Every question
// goes through the Desktop.
class ProjectGuard : public QObject
{
    Q_OBJECT

public:
    // A child of the window, which owns it.
    ProjectGuard(Desktop &desktop, QWidget *window, std::string journalFolder = Journal::DefaultFolder());
    ~ProjectGuard() override;

    struct Opening
    {
        bool readOnly = false;  // another editor has it open and the user chose to only read it
        bool recovered = false; // changes of a journal were applied: the project counts as modified
        bool saveNow = false;   // the user chose to finish an interrupted save: save at once
    };
    // A project whose last in-place save was killed before its end (its token
    // files not read yet): asks whether to put the backup back and recover the
    // journal (then save, or not yet), or not to open the project. Puts the
    // backup back and reads the token files; false when the project is not to
    // be opened (the user cancelled, or it failed: the user was told).
    bool interruptedSave(ProjectData &data, TokenLoadObserver *observer);
    // A project was read and its list is not built yet. Takes the lock (asking
    // what to do when another editor holds it), offers to recover the journals
    // editors left behind (applying the chosen ones to `project`), starts the
    // journal and the watch. The project open before is let go first.
    Opening opened(const std::string &tokenFile, const TokenTable &master, TokenTable &project);
    // Every committed change of the project table passes here: a text (with its
    // status) or a status alone.
    void changed(const TokenTable &master, const TokenTable &project, std::size_t row, bool textChanged);

    enum class SaveStep
    {
        Save,        // write the file
        ReloadFirst, // read the file again and apply this session's changes, then write
        Cancel
    };
    // Before "&Save" writes: when the token file changed on disk since it was
    // read or written, asks whether to reload it and apply the changes again,
    // overwrite it, or cancel.
    SaveStep beforeSave();
    // After a save that succeeded: the journal goes, the file is known anew.
    // `note` is what the save had to tell (a backup under a fresh name, a
    // token file written anew), for the status bar.
    void saved(const std::string &note = std::string());
    // The user gave the unsaved changes up ("No" at the save question).
    void changesDropped();
    // The project was closed: the lock goes, and unsaved changes stay in the
    // journal for the next opening.
    void closed();
    // The token file was read again into `project`. With `reapply`, this
    // session's changes are applied again by token key; what can no longer be is
    // listed to the user. Returns false when some change could not be applied.
    bool reloaded(const TokenTable &master, TokenTable &project, bool reapply);

    bool hasUnsavedChanges() const { return !m_changes.empty(); }
    bool readOnly() const { return m_readOnly; }
    const Journal &journal() const { return m_journal; }
    const ProjectLock &lock() const { return m_lock; }
    // Waits for the watch's pending check (tests).
    bool checkPending() const { return m_settle.isActive(); }

signals:
    // The token file changed on disk while the project had no unsaved changes,
    // and the user chose to read it again.
    void reloadWanted();
    // A line for the status bar: the journal works again, journals that were
    // not read and why, what a save had to do differently.
    void notice(const QString &text);
    // The watch looked at the token file once it had rested (whatever it then
    // did).
    void diskChecked();

private:
    void letGo(bool keepJournal);
    bool askLock();
    bool recover(const TokenTable &master, TokenTable &project);
    void restartJournal(const TokenTable &master, const TokenTable &project, const ApplyReport &report);
    void showNotApplied(const ApplyReport &report);
    void watch();
    void fileTouched();
    void checkDisk();
    void lookedAt(const FileIdentity &now);
    void retryJournal();
    void tellSkippedJournals(const JournalSearch &search);
    QString fileName() const;

    Desktop &m_desktop;
    QWidget *m_window;
    std::string m_tokenFile; // as the project names it
    std::string m_absolute;  // absolute, links resolved: what the journals are kept by
    FileIdentity m_known;    // the file as last read or written by this window
    FileIdentity m_declined; // a change on disk the user chose not to read
    FileIdentity m_seen;     // the file at the last event of the watch
    Journal m_journal;
    ProjectLock m_lock;
    std::vector<TokenChange> m_changes; // since the file was last read or written
    QFileSystemWatcher m_watcher;
    QTimer m_settle; // lets a writer finish before the file is looked at
    bool m_readOnly = false;
    bool m_asking = false;
    bool m_journalErrorShown = false;
    bool m_saveNow = false;
    bool m_recoverAll = false; // an interrupted save is being finished: journals apply unasked
    QTimer m_journalRetry;     // tries a failed journal again
};

} // namespace quenlit
