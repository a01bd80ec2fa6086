#include "window/projectguard.h"

#include "desktop.h"
#include "qtext.h"
#include "store/sysfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QWidget>

namespace quenlit {

namespace {

// How long the file must stay as it is before it is looked at: a program that
// rewrites it is given the time to finish.
constexpr int kSettleMs = 400;
// How often a journal that cannot be written is tried again.
constexpr int kJournalRetryMs = 3000;

QString localTime(std::int64_t ns)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ns / 1000000), QLocale::ShortFormat);
}

} // namespace

ProjectGuard::ProjectGuard(Desktop &desktop, QWidget *window, std::string journalFolder)
    : QObject(window), m_desktop(desktop), m_window(window), m_journal(std::move(journalFolder))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ProjectGuard::fileTouched);
    connect(&m_settle, &QTimer::timeout, this, &ProjectGuard::checkDisk);
    m_journalRetry.setInterval(kJournalRetryMs);
    connect(&m_journalRetry, &QTimer::timeout, this, &ProjectGuard::retryJournal);
}

ProjectGuard::~ProjectGuard()
{
    // An editor that ends here without its changes saved (the user closed
    // without a save question) leaves them to the next opening.
    m_journal.leave();
}

QString ProjectGuard::fileName() const
{
    return FromPath(m_tokenFile);
}

void ProjectGuard::letGo(bool keepJournal)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    m_settle.stop();
    m_journalRetry.stop();
    if (keepJournal)
        m_journal.leave();
    else
        m_journal.discard();
    m_changes.clear();
    m_readOnly = false;
    m_declined = {};
}

ProjectGuard::Opening ProjectGuard::opened(const std::string &tokenFile, const TokenTable &master,
                                           TokenTable &project)
{
    letGo(true);
    m_tokenFile = tokenFile;
    if (sysfile::AbsolutePath(tokenFile, m_absolute) != 0)
        m_absolute = tokenFile;
    m_known = IdentityOf(tokenFile);
    m_seen = m_known;

    Opening opening;
    switch (m_lock.acquire(tokenFile)) {
    case ProjectLock::Outcome::Taken:
        break;
    case ProjectLock::Outcome::Unavailable:
        m_lock.release(); // no lock can be had there: the project opens without one
        break;
    case ProjectLock::Outcome::HeldElsewhere:
        m_lock.release();
        m_readOnly = !askLock();
        break;
    }
    opening.readOnly = m_readOnly;

    m_journal.begin(m_absolute, m_known);
    if (!m_readOnly)
        opening.recovered = recover(master, project);
    opening.saveNow = m_saveNow && opening.recovered;
    m_saveNow = false;
    m_recoverAll = false;
    m_journalErrorShown = false;
    if (!m_readOnly)
        m_journalRetry.start();
    watch();
    return opening;
}

bool ProjectGuard::interruptedSave(ProjectData &data, TokenLoadObserver *observer)
{
    const SaveMarker &marker = *data.interruptedSave;
    Desktop::Question question;
    question.title = QStringLiteral("Save interrupted");
    question.icon = Desktop::Question::Icon::Warning;
    question.text = QStringLiteral("The last save of the token file %1 ended before it was complete (%2): the file "
                                   "was being rewritten in place and may be new up to some point and old after "
                                   "it.\n\n"
                                   "Its previous content is whole in %3. Put it back and recover the unsaved "
                                   "changes from the autosave journal? \"Restore, recover and save\" then "
                                   "finishes the save.")
                        .arg(FromPath(data.paths.tokenFile), localTime(sysfile::Inspect(marker.path, false).modifiedNs),
                             FromPath(marker.backup));
    question.buttons = {QStringLiteral("&Restore and recover"), QStringLiteral("Restore, recover and &save"),
                        QStringLiteral("&Cancel")};
    question.defaultButton = 0;
    question.escapeButton = 2;
    m_asking = true;
    const int answer = m_desktop.ask(m_window, question);
    m_asking = false;
    if (answer != 0 && answer != 1)
        return false; // nothing changes: the next opening asks again
    if (const int error = marker.restoreBackup()) {
        m_desktop.showError(m_window, QStringLiteral("The backup %1 could not be put back into the token file %2 "
                                                     "(%3).\nThe project was not opened; both files stay as they "
                                                     "are.")
                                          .arg(FromPath(marker.backup), FromPath(data.paths.tokenFile),
                                               FromPath(sysfile::ErrorText(error))));
        return false;
    }
    data.interruptedSave.reset();
    ReadTokenFiles(data, observer);
    m_recoverAll = true;
    m_saveNow = answer == 1;
    return true;
}

// True when the user wants to edit although another editor has the project open.
bool ProjectGuard::askLock()
{
    const ProjectLock::Holder &holder = m_lock.holder();
    QString who;
    if (holder.known) {
        who = QStringLiteral(" (process %1 on %2").arg(holder.process.pid).arg(FromPath(holder.process.host));
        if (!holder.user.empty())
            who += QStringLiteral(", user ") + FromPath(holder.user);
        who += QLatin1Char(')');
    }
    Desktop::Question question;
    question.title = QStringLiteral("Project already open");
    question.icon = Desktop::Question::Icon::Warning;
    question.text = QStringLiteral("The token file %1 is already open in another window%2.\n\n"
                                   "Open it read-only here, or edit it anyway? When both windows save, "
                                   "the last one overwrites the other's work.")
                        .arg(fileName(), who);
    if (holder.link) {
        // Not a lock this program makes: someone put a link there.
        question.title = QStringLiteral("Lock file is a link");
        question.text = QStringLiteral("The lock file %1 of the token file %2 is a symbolic link%3, not a lock of "
                                       "an editor: someone else may be changing the project's folder.\n\n"
                                       "Open the project read-only here, or edit it anyway?")
                            .arg(FromPath(ProjectLock::LockPathFor(m_tokenFile)), fileName(),
                                 holder.dangling ? QStringLiteral(" to a file that is not there") : QString());
    }
    question.buttons = {QStringLiteral("Open &read-only"), QStringLiteral("&Edit anyway")};
    question.defaultButton = 0;
    question.escapeButton = 0;
    m_asking = true;
    const bool edit = m_desktop.ask(m_window, question) == 1;
    m_asking = false;
    return edit;
}

// Offers each journal left behind for this token file; applies those the user
// recovers. True when something was applied.
bool ProjectGuard::recover(const TokenTable &master, TokenTable &project)
{
    ApplyReport all;
    std::vector<std::string> recovered;
    JournalSearch search;
    const auto journals = FindOrphanJournals(m_absolute, m_journal.folder(), &search);
    tellSkippedJournals(search);
    for (const std::string &path : journals) {
        const JournalContent content = ReadJournal(path);
        if (!content.valid || (content.changes.empty() && content.damagedPlaces == 0)) {
            sysfile::Remove(path); // nothing in it to lose
            continue;
        }
        CutTornTail(content); // what a power cut left half written
        const bool sameFile = content.base == m_known;
        const auto changes = CollapseChanges(content.changes);
        Desktop::Question question;
        question.title = QStringLiteral("Recover your work ?");
        question.text =
            QStringLiteral("The token file %1 has %2 unsaved change(s), left on %3 %4.\n\n"
                           "Recover them? They are applied to the tokens as if typed again; nothing is written "
                           "to the token file until you save.")
                .arg(fileName())
                .arg(changes.size())
                .arg(localTime(sysfile::Inspect(path, false).modifiedNs),
                     content.closedWithoutSaving ? QStringLiteral("when the project was closed without saving them")
                                                 : QStringLiteral("by an editor that ended without saving them"));
        if (content.damagedPlaces > 0)
            question.text += QStringLiteral("\n\nSome changes could not be read: the journal is damaged in %1 "
                                            "place(s) (%2 bytes). The changes that could be read are offered.")
                                 .arg(content.damagedPlaces)
                                 .arg(QLocale().toString(static_cast<qulonglong>(content.unreadBytes)));
        if (!sameFile)
            question.text += QStringLiteral("\n\nThe token file has changed since: the changes follow their tokens "
                                            "by key, and those whose token or original text changed are listed, "
                                            "not applied.");
        question.buttons = {QStringLiteral("&Recover"), QStringLiteral("&Discard"), QStringLiteral("Decide &later")};
        question.defaultButton = 0;
        question.escapeButton = 2;
        int answer = 0; // finishing an interrupted save: the user chose to recover already
        if (!m_recoverAll) {
            m_asking = true;
            answer = m_desktop.ask(m_window, question);
            m_asking = false;
        }
        if (answer == 1) {
            sysfile::Remove(path);
            continue;
        }
        if (answer != 0)
            continue; // stays for the next opening
        ApplyReport report = ApplyChanges(content.changes, project, master, sameFile);
        all.applied.insert(all.applied.end(), report.applied.begin(), report.applied.end());
        all.notApplied.insert(all.notApplied.end(), report.notApplied.begin(), report.notApplied.end());
        recovered.push_back(path);
    }
    if (recovered.empty())
        return false;
    // The recovered changes are this session's unsaved changes now: journaled
    // again before the journals they came from go.
    restartJournal(master, project, all);
    m_journal.flush();
    for (const std::string &path : recovered)
        sysfile::Remove(path);
    showNotApplied(all);
    return !all.applied.empty();
}

void ProjectGuard::restartJournal(const TokenTable &master, const TokenTable &project, const ApplyReport &report)
{
    m_journal.rebase(m_known);
    m_changes.clear();
    for (const ApplyReport::Applied &a : report.applied)
        changed(master, project, a.row, a.textChanged);
}

void ProjectGuard::showNotApplied(const ApplyReport &report)
{
    if (report.notApplied.empty())
        return;
    Desktop::Question question;
    question.title = QStringLiteral("Changes not applied");
    question.icon = Desktop::Question::Icon::Warning;
    question.text = QStringLiteral("%1 of your changes could not be applied: their token is no longer in the token "
                                   "file, its original text changed, or it became read-only.\n\n"
                                   "The details list them with what you typed.")
                        .arg(report.notApplied.size());
    question.details = FromTokenBytes(DescribeNotApplied(report.notApplied));
    question.buttons = {QStringLiteral("OK")};
    m_asking = true;
    m_desktop.ask(m_window, question);
    m_asking = false;
}

void ProjectGuard::changed(const TokenTable &master, const TokenTable &project, std::size_t row, bool textChanged)
{
    if (m_tokenFile.empty() || m_readOnly)
        return;
    m_changes.push_back(DescribeChange(project, master, row, textChanged));
    // A journal that failed is written anew, with every change kept here.
    if (m_journal.failing()) {
        retryJournal();
        return;
    }
    if (m_journal.append(m_changes.back()) != 0 && !m_journalErrorShown) {
        m_journalErrorShown = true;
        m_desktop.showError(m_window, QStringLiteral("The autosave journal cannot be written (%1: %2).\n"
                                                     "Unsaved changes are not kept if the editor ends unexpectedly.")
                                          .arg(FromPath(m_journal.folder()),
                                               FromPath(sysfile::ErrorText(m_journal.error()))));
    }
}

void ProjectGuard::retryJournal()
{
    if (m_tokenFile.empty() || m_readOnly || !m_journal.failing())
        return;
    const int error = m_changes.empty() ? (m_journal.discard(), 0) : m_journal.resume(m_changes);
    if (error)
        return; // tried again at the next change and on the timer
    m_journalErrorShown = false;
    emit notice(QStringLiteral("The autosave journal is written again: it holds every unsaved change."));
}

void ProjectGuard::tellSkippedJournals(const JournalSearch &search)
{
    QStringList lines;
    if (!search.folderProblem.empty())
        lines << QStringLiteral("Unsaved work was not looked for: %1.").arg(FromPath(search.folderProblem));
    if (!search.refused.empty())
        lines << QStringLiteral("%1 journal(s) of %2 were not read: they are another user's, or others may "
                                "write them.")
                     .arg(search.refused.size())
                     .arg(fileName());
    for (const std::string &path : search.damaged) {
        // Set aside under a name no search takes, so that it is said once.
        const std::string aside = path + ".damaged";
        sysfile::Rename(path, aside);
        lines << QStringLiteral("A journal of %1 is damaged and cannot be read; it was set aside as %2.")
                     .arg(fileName(), FromPath(sysfile::NameOf(aside)));
    }
    if (!lines.isEmpty())
        emit notice(lines.join(QLatin1Char(' ')));
}

ProjectGuard::SaveStep ProjectGuard::beforeSave()
{
    const FileIdentity now = IdentityOf(m_tokenFile);
    // A file that is gone cannot be read again; the save says what is wrong.
    if (!now.exists || now == m_known)
        return SaveStep::Save;
    Desktop::Question question;
    question.title = QStringLiteral("Token file changed");
    question.icon = Desktop::Question::Icon::Warning;
    question.text = QStringLiteral("The token file %1 was changed by another program since it was read.\n\n"
                                   "Reload it and apply your changes to it again, overwrite the other program's "
                                   "changes with the tokens of this window, or cancel the save?")
                        .arg(fileName());
    question.buttons = {QStringLiteral("&Reload and apply my changes"), QStringLiteral("&Overwrite"),
                        QStringLiteral("&Cancel")};
    question.defaultButton = 0;
    question.escapeButton = 2;
    m_asking = true;
    const int answer = m_desktop.ask(m_window, question);
    m_asking = false;
    switch (answer) {
    case 0:
        return SaveStep::ReloadFirst;
    case 1:
        return SaveStep::Save;
    default:
        return SaveStep::Cancel;
    }
}

void ProjectGuard::saved(const std::string &note)
{
    if (!note.empty())
        emit notice(FromPath(note));
    m_known = IdentityOf(m_tokenFile);
    m_seen = m_known;
    m_declined = {};
    m_changes.clear();
    m_journal.rebase(m_known);
    watch();
}

void ProjectGuard::changesDropped()
{
    m_changes.clear();
    m_journal.rebase(m_known);
}

void ProjectGuard::closed()
{
    letGo(true);
    m_lock.release();
    m_tokenFile.clear();
    m_absolute.clear();
}

bool ProjectGuard::reloaded(const TokenTable &master, TokenTable &project, bool reapply)
{
    m_known = IdentityOf(m_tokenFile);
    m_seen = m_known;
    m_declined = {};
    ApplyReport report;
    if (reapply && !m_changes.empty())
        report = ApplyChanges(m_changes, project, master, false);
    restartJournal(master, project, report);
    watch();
    showNotApplied(report);
    return report.notApplied.empty();
}

void ProjectGuard::watch()
{
    const QString path = FromPath(m_absolute);
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!path.isEmpty() && QFileInfo::exists(path))
        m_watcher.addPath(path);
}

void ProjectGuard::fileTouched()
{
    // A file replaced by a rename is no longer watched: watch the new one.
    watch();
    m_settle.start();
}

void ProjectGuard::checkDisk()
{
    if (m_tokenFile.empty())
        return;
    const FileIdentity now = IdentityOf(m_tokenFile);
    if (now != m_seen) {
        m_seen = now; // still being written: look again when it rests
        m_settle.start();
        return;
    }
    lookedAt(now);
    emit diskChecked();
}

void ProjectGuard::lookedAt(const FileIdentity &now)
{
    if (!now.exists || now == m_known || now == m_declined)
        return;
    // With unsaved changes the question waits for "&Save".
    if (hasUnsavedChanges())
        return;
    if (m_asking) {
        m_settle.start();
        return;
    }
    Desktop::Question question;
    question.title = QStringLiteral("Token file changed");
    question.text = QStringLiteral("The token file %1 was changed by another program.\n\n"
                                   "Reload it? The filter and the selected token are kept.")
                        .arg(fileName());
    question.buttons = {QStringLiteral("&Reload"), QStringLiteral("&Ignore")};
    question.defaultButton = 0;
    question.escapeButton = 1;
    m_asking = true;
    const int answer = m_desktop.ask(m_window, question);
    m_asking = false;
    if (answer == 0)
        emit reloadWanted();
    else
        m_declined = now;
}

} // namespace quenlit
