// The guard of an open project on its own: lock question, recovery of journals
// left behind, the watch on the token file and the check before a save. Real
// files; the questions are answered through the fake desktop.
#include "fakedesktop.h"
#include "window/projectguard.h"
#include "tokenio.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using quenlit::ProjectGuard;

namespace {

const char kMaster[] = "[[4|1|1|0|1|]]=&File\r\n[[4|1|2|0|1|]]=&Open...\r\n[[6|1|7|0|1|x]]=Ready\r\n";
const char kProject[] = "[[4|1|1|0|1|]]=&File\r\n[[4|1|2|0|1|]]=&Open...\r\n[[6|1|7|0|1|x]]=Ready\r\n";

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TokenTable tableOf(const QByteArray &bytes)
{
    TokenTable table;
    LoadTokens(bytes.toStdString(), table);
    table.buildKeyIndex();
    return table;
}

} // namespace

class ProjectGuardTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeDesktop m_desktop;
    QWidget m_window;
    TokenTable m_master = tableOf(kMaster);

    QString tokenFile() const { return m_dir.filePath(QStringLiteral("fr.tok")); }
    std::string tokenPath() const { return tokenFile().toStdString(); }
    std::string journals() const { return m_dir.filePath(QStringLiteral("journals")).toStdString(); }

    std::unique_ptr<ProjectGuard> guard() { return std::make_unique<ProjectGuard>(m_desktop, &m_window, journals()); }

    // Types a text into a row as the window does, and tells the guard.
    static void type(ProjectGuard &g, const TokenTable &master, TokenTable &project, std::size_t row,
                     const std::string &text)
    {
        project.setCell(row, ColText, text);
        project.setCell(row, ColStatus, "4");
        g.changed(master, project, row, true);
    }

    // An editor that typed two translations and died without saving.
    void leaveUnsavedWork()
    {
        auto lost = guard();
        TokenTable project = tableOf(kProject);
        lost->opened(tokenPath(), m_master, project);
        type(*lost, m_master, project, 1, "&Fichier");
        type(*lost, m_master, project, 2, "&Ouvrir...");
    } // ends here: its journal stays behind, as when it is killed

private slots:
    void init()
    {
        writeFile(tokenFile(), kProject);
        QFile::remove(tokenFile() + QStringLiteral(".lock"));
        m_desktop.questions.clear();
        m_desktop.answers.clear();
        m_desktop.errors.clear();
        QDir(m_dir.filePath(QStringLiteral("journals"))).removeRecursively();
    }

    void nothingIsAskedWhenNothingHappened()
    {
        auto g = guard();
        TokenTable project = tableOf(kProject);
        const auto opening = g->opened(tokenPath(), m_master, project);
        QVERIFY(!opening.readOnly);
        QVERIFY(!opening.recovered);
        QVERIFY(m_desktop.questions.isEmpty());
        QVERIFY(g->lock().held());
        QCOMPARE(g->beforeSave(), ProjectGuard::SaveStep::Save);
        QVERIFY2(!QDir(m_dir.filePath(QStringLiteral("journals"))).exists(), "no change, no journal");
        g->closed();
        QVERIFY(!QFile::exists(tokenFile() + QStringLiteral(".lock")));
    }

    void recoverAppliesTheChangesAndJournalsThemAgain()
    {
        leaveUnsavedWork();
        auto g = guard();
        TokenTable project = tableOf(kProject);
        m_desktop.answers = {0}; // Recover
        const auto opening = g->opened(tokenPath(), m_master, project);
        QVERIFY(opening.recovered);
        QCOMPARE(m_desktop.questions.size(), 1);
        QCOMPARE(m_desktop.questions[0].title, QStringLiteral("Recover your work ?"));
        QVERIFY(m_desktop.questions[0].text.contains(QStringLiteral("has 2 unsaved change(s)")));
        QCOMPARE(project.cell(1, ColText), "&Fichier");
        QCOMPARE(project.cell(2, ColText), "&Ouvrir...");
        QCOMPARE(project.cell(2, ColStatus), "4");
        QCOMPARE(readFile(tokenFile()), QByteArray(kProject)); // nothing written to the token file
        QVERIFY(g->hasUnsavedChanges());
        // The old journal is gone; the new one holds the recovered changes.
        const auto left = FindOrphanJournals(g->journal().tokenFile(), journals());
        QVERIFY(left.empty());
        QCOMPARE(ReadJournal(g->journal().path()).changes.size(), std::size_t(2));
        // A second crash loses nothing either.
        g.reset();
        TokenTable again = tableOf(kProject);
        m_desktop.answers = {0};
        QVERIFY(this->guard()->opened(tokenPath(), m_master, again).recovered);
        QCOMPARE(again.cell(1, ColText), "&Fichier");
    }

    void discardAndLater()
    {
        leaveUnsavedWork();
        {
            auto g = guard();
            TokenTable project = tableOf(kProject);
            m_desktop.answers = {2}; // Decide later
            QVERIFY(!g->opened(tokenPath(), m_master, project).recovered);
            QCOMPARE(project.cell(1, ColText), "&File");
        }
        auto g = guard();
        TokenTable project = tableOf(kProject);
        m_desktop.answers = {1}; // Discard
        QVERIFY(!g->opened(tokenPath(), m_master, project).recovered);
        QCOMPARE(m_desktop.questions.size(), 2); // asked again after "Decide later"
        QCOMPARE(project.cell(1, ColText), "&File");
        QVERIFY(FindOrphanJournals(g->journal().tokenFile(), journals()).empty());
    }

    // The file changed after the editor died: changes follow their keys, and
    // those whose original text changed are listed with what was typed.
    void recoveryAgainstAChangedFileListsWhatNoLongerMatches()
    {
        leaveUnsavedWork();
        const QByteArray changed = "[[6|1|7|0|1|x]]=Ready\r\n[[4|1|2|0|1|]]=&Open a file...\r\n"
                                   "[[4|1|1|0|1|]]=&File\r\n";
        writeFile(tokenFile(), changed);
        TokenTable master = tableOf(changed);
        TokenTable project = tableOf(changed);
        auto g = guard();
        m_desktop.answers = {0, 0};
        QVERIFY(g->opened(tokenPath(), master, project).recovered);
        QCOMPARE(m_desktop.questions.size(), 2);
        QVERIFY(m_desktop.questions[0].text.contains(QStringLiteral("has changed since")));
        QCOMPARE(project.cell(3, ColText), "&Fichier");
        QCOMPARE(project.cell(2, ColText), "&Open a file...");
        const auto &report = m_desktop.questions[1];
        QCOMPARE(report.title, QStringLiteral("Changes not applied"));
        QVERIFY(report.text.startsWith(QStringLiteral("1 of your changes")));
        QVERIFY(report.details.contains(QStringLiteral("your translation: &Ouvrir...")));
    }

    void lockOfAnotherEditorAsksAndOpensReadOnlyByDefault()
    {
        writeFile(tokenFile() + QStringLiteral(".lock"),
                  QByteArray::number(qint64(getppid())) + "@" + QByteArray::fromStdString(ThisHost()) + "\nann\n");
        {
            auto g = guard();
            TokenTable project = tableOf(kProject);
            QVERIFY(g->opened(tokenPath(), m_master, project).readOnly); // no answer: the box was closed
            QCOMPARE(m_desktop.questions.size(), 1);
            const auto &q = m_desktop.questions[0];
            QVERIFY(q.text.contains(QStringLiteral("is already open in another window (process %1 on %2, user ann)")
                                        .arg(getppid())
                                        .arg(QString::fromStdString(ThisHost()))));
            QCOMPARE(q.buttons[q.defaultButton], QStringLiteral("Open &read-only"));
            // Read-only: nothing is journaled.
            TokenTable p2 = tableOf(kProject);
            type(*g, m_master, p2, 1, "x");
            QVERIFY(!g->hasUnsavedChanges());
        }
        auto g = guard();
        TokenTable project = tableOf(kProject);
        m_desktop.answers = {1}; // Edit anyway
        QVERIFY(!g->opened(tokenPath(), m_master, project).readOnly);
        QVERIFY(!g->lock().held());
        g->closed();
        QVERIFY2(QFile::exists(tokenFile() + QStringLiteral(".lock")), "the other editor's lock stays");
    }

    // Another program rewrites the file while the project has no unsaved
    // changes: once the file rests, the user is asked; Ignore is not asked again
    // for the same content.
    void changeOnDiskOffersToReload()
    {
        auto g = guard();
        TokenTable project = tableOf(kProject);
        g->opened(tokenPath(), m_master, project);
        QSignalSpy reload(g.get(), &ProjectGuard::reloadWanted);
        m_desktop.answers = {1}; // Ignore
        writeFile(tokenFile(), QByteArray(kProject) + "[[4|1|3|0|1|]]=E&xit\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.questions.size(), 1, 5000);
        QCOMPARE(m_desktop.questions[0].title, QStringLiteral("Token file changed"));
        QCOMPARE(reload.size(), 0);

        // Replaced by a rename this time: still seen, and reloaded.
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.tok"));
        writeFile(fresh, QByteArray(kProject) + "[[4|1|4|0|1|]]=More\r\n");
        m_desktop.answers = {0};
        QVERIFY(::rename(fresh.toLocal8Bit().constData(), tokenFile().toLocal8Bit().constData()) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(reload.size(), 1, 5000);
        QCOMPARE(m_desktop.questions.size(), 2);
    }

    // The journal cannot be written (its folder's name is taken by a file): the
    // box says so once; once the folder can be made, the journal comes back by
    // itself with every change typed meanwhile, and the status bar says so.
    void aJournalThatFailedComesBackWithEveryChange()
    {
        QDir(QString::fromStdString(journals())).removeRecursively();
        writeFile(QString::fromStdString(journals()), "in the way");
        auto g = guard();
        TokenTable project = tableOf(kProject);
        g->opened(tokenPath(), m_master, project);
        QSignalSpy notices(g.get(), &ProjectGuard::notice);
        type(*g, m_master, project, 1, std::string(4500, 'a'));
        type(*g, m_master, project, 2, "&Ouvrir...");
        QCOMPARE(m_desktop.errors.size(), 1);
        QVERIFY(m_desktop.errors[0].contains(QStringLiteral("The autosave journal cannot be written")));
        QVERIFY(QFile::remove(QString::fromStdString(journals())));
        QVERIFY(notices.wait(10000)); // tried again on its timer
        QVERIFY(notices.last().at(0).toString().contains(QStringLiteral("written again")));
        type(*g, m_master, project, 1, "&Fichier");
        const JournalContent read = ReadJournal(g->journal().path());
        QCOMPARE(read.changes.size(), std::size_t(3));
        QCOMPARE(read.changes[0].text.size(), std::size_t(4500));
        QCOMPARE(m_desktop.errors.size(), 1);
    }

    // With unsaved changes the watch says nothing; the save asks.
    void unsavedChangesWaitForTheSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("step");
        QTest::newRow("reload") << 0 << int(ProjectGuard::SaveStep::ReloadFirst);
        QTest::newRow("overwrite") << 1 << int(ProjectGuard::SaveStep::Save);
        QTest::newRow("cancel") << 2 << int(ProjectGuard::SaveStep::Cancel);
    }

    void unsavedChangesWaitForTheSave()
    {
        QFETCH(int, answer);
        QFETCH(int, step);
        auto g = guard();
        TokenTable project = tableOf(kProject);
        g->opened(tokenPath(), m_master, project);
        type(*g, m_master, project, 1, "&Fichier");
        QSignalSpy checked(g.get(), &ProjectGuard::diskChecked);
        writeFile(tokenFile(), QByteArray("[[4|1|9|0|1|]]=New\r\n") + kProject);
        QVERIFY(checked.wait(5000)); // the watch has looked at it, and asked nothing
        QVERIFY(m_desktop.questions.isEmpty());
        m_desktop.answers = {answer};
        QCOMPARE(int(g->beforeSave()), step);
        QCOMPARE(m_desktop.questions.size(), 1);
        QVERIFY(m_desktop.questions[0].text.contains(QStringLiteral("since it was read")));

        if (step == int(ProjectGuard::SaveStep::ReloadFirst)) {
            TokenTable reread = tableOf(readFile(tokenFile()));
            QVERIFY(g->reloaded(m_master, reread, true));
            QCOMPARE(reread.cell(2, ColText), "&Fichier"); // its token is one row further down
            QVERIFY(g->hasUnsavedChanges());
            QCOMPARE(g->beforeSave(), ProjectGuard::SaveStep::Save); // the file is known again
        }
    }

    // A save forgets the journal; the next change starts a new one.
    void saveRemovesTheJournal()
    {
        auto g = guard();
        TokenTable project = tableOf(kProject);
        g->opened(tokenPath(), m_master, project);
        type(*g, m_master, project, 1, "&Fichier");
        const std::string journal = g->journal().path();
        QVERIFY(QFile::exists(QString::fromStdString(journal)));
        writeFile(tokenFile(), "[[4|1|1|0|4|]]=&Fichier\r\n"); // as a save would
        g->saved();
        QVERIFY(!QFile::exists(QString::fromStdString(journal)));
        QVERIFY(!g->hasUnsavedChanges());
        QCOMPARE(g->beforeSave(), ProjectGuard::SaveStep::Save);
        type(*g, m_master, project, 1, "F");
        g->changesDropped(); // "No" at the save question
        QVERIFY(FindOrphanJournals(g->journal().tokenFile(), journals()).empty());
        QVERIFY(g->journal().path().empty());
    }
};

QTEST_MAIN(ProjectGuardTest)
#include "projectguard_test.moc"
