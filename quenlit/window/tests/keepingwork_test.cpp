// A translator's work kept by the window: recovery of what an editor left
// behind, the token file changed by another program, and a second editor on the
// same project. The user's part is delivered as mouse clicks and keys; the
// questions are answered through the fake desktop.

#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "window/projectguard.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"
#include "window/translatorflow.h"
#include "store/savemarker.h"
#include "store/processtag.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using quenlit::FrmPrinc;

namespace {

const QByteArray kMasterTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                 "[[4|1|2|0|1|]]=&Open...\r\n"
                                 "[[6|1|7|0|1|x]]=Ready\r\n"
                                 "[[5|100|1|0|1|]]=OK\r\n";
// Rows: 1 status 1, 2 status 1, 3 status 4, 4 status 1.
const QByteArray kProjectTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                  "[[4|1|2|0|1|]]=&Open...\r\n"
                                  "[[6|1|7|0|4|x]]=Pr\xEAt\r\n"
                                  "[[5|100|1|0|1|]]=OK\r\n";

// A fake desktop that also lets the test look at the window when a question is asked.
struct WatchingDesktop : FakeDesktop
{
    std::function<void(const Question &)> onAsk;
    int ask(QWidget *parent, const Question &question) override
    {
        if (onAsk)
            onAsk(question);
        return FakeDesktop::ask(parent, question);
    }
};

} // namespace

class KeepingWorkTest : public QObject, public EditorWindowFixture<WatchingDesktop>
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_state;

    QString tokenFile() const { return path(QStringLiteral("fr.tok")); }

    // The window with the project open, its tree expanded.
    std::unique_ptr<FrmPrinc> openedWindow()
    {
        auto w = EditorWindowFixture::openedWindow();
        if (w)
            child<QTreeWidget>(*w, "tvTyp")->expandAll();
        return w;
    }

    static bool saveEnabled(FrmPrinc &w) { return action(w, "mnuSave")->isEnabled(); }
    static std::string text(FrmPrinc &w, std::size_t row) { return w.document().projectTable().cellText(row, 0); }
    static std::string status(FrmPrinc &w, std::size_t row) { return w.document().projectTable().cellText(row, 5); }

    static std::size_t selectedRow(FrmPrinc &w)
    {
        const QModelIndexList rows = list(w)->selectionModel()->selectedRows();
        return rows.isEmpty() ? 0 : w.tokenList()->tableRow(rows.front().row());
    }

    static void clickNode(FrmPrinc &w, const QString &name)
    {
        auto *tree = child<QTreeWidget>(w, "tvTyp");
        const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!found.isEmpty());
        const QRect rect = tree->visualItemRect(found.front());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(rect.left() + 10, rect.center().y()));
    }

    // Clicks a token, goes to the translation box with Enter, types over its text
    // and commits with Enter, as a translator does.
    static void translate(FrmPrinc &w, std::size_t row, const QString &typed)
    {
        clickRow(w, row);
        QTest::keyClick(list(w), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(w));
        QTest::keyClick(box(w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(w), typed);
        QTest::keyClick(box(w), Qt::Key_Return);
    }

    static void clickTranslated(FrmPrinc &w)
    {
        auto *check = child<QCheckBox>(w, "chkTrans");
        QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(8, check->height() / 2));
    }

    // "&Save" chosen from the File menu with the keyboard, as a translator does.
    static void saveWithKeys(FrmPrinc &w)
    {
        QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_S);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // Another program rewrites the token file: a new file renamed over it, as
    // our rlman does.
    void rewriteTokenFile(const QByteArray &bytes)
    {
        writeFile(path(QStringLiteral("rlman.tmp")), bytes);
        QVERIFY(::rename(path(QStringLiteral("rlman.tmp")).toLocal8Bit().constData(),
                         tokenFile().toLocal8Bit().constData()) == 0);
    }

    int questionsTitled(const QString &title) const
    {
        int n = 0;
        for (const auto &q : m_desktop->questions)
            n += q.title == title;
        return n;
    }

private slots:
    void initTestCase()
    {
        m_state = std::make_unique<QTemporaryDir>();
        qputenv("XDG_STATE_HOME", m_state->path().toLocal8Bit());
    }

    void init()
    {
        setUpFixture();
        writeFrenchProject(kMasterTokens, kProjectTokens);
    }

    void cleanup()
    {
        tearDownFixture();
    }

    // A text of 2 MB is shown cut, with its length, in the list and the box;
    // the table keeps it whole, an unchanged box commits nothing, and a text
    // typed over it replaces it whole.
    void aHugeTextIsShownCutAndKeptWhole()
    {
        const QByteArray huge(2 * 1024 * 1024, 'x');
        writeFrenchProject(kMasterTokens, "[[4|1|1|0|1|]]=" + huge + "\r\n" + kProjectTokens.mid(22));
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 1);
        const QString note = QStringLiteral(" ... [2,097,152 characters; shown up to 65,536]");
        QCOMPARE(box(*w)->text().size(), 65536 + note.size());
        QVERIFY(box(*w)->text().endsWith(note));
        const QModelIndex cell = list(*w)->model()->index(itemOfRow(*w, 1), TokenListModel::TokenColumn);
        QVERIFY(list(*w)->model()->data(cell).toString().endsWith(note));
        QTest::keyClick(list(*w), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QTest::keyClick(box(*w), Qt::Key_Return); // unchanged: nothing to commit
        QCOMPARE(w->document().projectTable().cell(1, ColText).size(), std::size_t(huge.size()));
        translate(*w, 1, QStringLiteral("Court"));
        QCOMPARE(text(*w, 1), std::string("Court"));
    }

    void anInterruptedSaveIsMadeGoodBeforeTheListIsShown_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("restore and recover") << 0;
        QTest::newRow("restore, recover and save") << 1;
        QTest::newRow("cancel") << 2;
    }

    // A save that rewrote the token file in place (it has a second hard link)
    // was killed half-way: the file is new up to a point and old after it, and
    // its mark says where the whole old content is. The next opening asks
    // before the list is shown; putting the backup back brings the journal's
    // changes back exactly, and "save" finishes what the killed save began.
    void anInterruptedSaveIsMadeGoodBeforeTheListIsShown()
    {
        QFETCH(int, answer);
        const std::string token = tokenFile().toStdString();
        QVERIFY(::link(token.c_str(), path(QStringLiteral("other.tok")).toLocal8Bit().constData()) == 0);
        {
            auto lost = openedWindow();
            QVERIFY(lost);
            translate(*lost, 1, QStringLiteral("&Fichier"));
            QCOMPARE(ReadJournal(lost->guard().journal().path()).changes.size(), std::size_t(1));
        } // killed while saving: its journal stays
        const QByteArray mixed = QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n[[4|1|") + kProjectTokens.mid(29);
        SaveMarker marker;
        marker.tokenFile = QFileInfo(tokenFile()).canonicalFilePath().toStdString();
        marker.backup = marker.tokenFile + ".bak";
        marker.backupSize = static_cast<std::uint64_t>(kProjectTokens.size());
        marker.before = IdentityOf(marker.tokenFile);
        writeFile(tokenFile() + QStringLiteral(".bak"), kProjectTokens);
        const pid_t ended = fork();
        if (ended == 0)
            _exit(0);
        waitpid(ended, nullptr, 0);
        marker.writer = ProcessTag{ended, ThisHost()};
        QCOMPARE(marker.write(), 0);
        {
            QFile file(tokenFile()); // rewritten in place, as far as the kill let it
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.write(mixed);
            file.resize(mixed.size());
        }

        m_desktop->answers = {answer};
        bool listShown = true;
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        m_desktop->onAsk = [&](const Desktop::Question &q) {
            if (q.title == QStringLiteral("Save interrupted"))
                listShown = w->document().isOpen();
        };
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->OpenProject(path(QStringLiteral("fr.prj")));
        m_desktop->onAsk = nullptr;
        QCOMPARE(questionsTitled(QStringLiteral("Save interrupted")), 1);
        QVERIFY(!listShown);
        QCOMPARE(questionsTitled(QStringLiteral("Recover your work ?")), 0); // the user chose already
        QVERIFY(m_desktop->errors.isEmpty());
        if (answer == 2) {
            QVERIFY(!w->document().isOpen());
            QCOMPARE(readFile(tokenFile()), mixed); // nothing changes: the next opening asks again
            QVERIFY(SaveMarker::FindUnfinished(marker.tokenFile));
            return;
        }
        QVERIFY(!SaveMarker::FindUnfinished(marker.tokenFile));
        QCOMPARE(text(*w, 1), std::string("&Fichier"));
        QCOMPARE(readFile(tokenFile()),
                 answer == 1 ? QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n") + kProjectTokens.mid(22) : kProjectTokens);
        QCOMPARE(readFile(path(QStringLiteral("other.tok"))), readFile(tokenFile()));
        QCOMPARE(saveEnabled(*w), w->document().modified());
    }

    // An editor that ends without saving (killed, crashed) leaves what was
    // typed; the next opening offers it before the list is shown, and "Recover"
    // brings it back as if typed again, without writing the token file.
    void workLeftBehindIsRecoveredBeforeTheListIsShown()
    {
        {
            auto lost = openedWindow();
            QVERIFY(lost);
            translate(*lost, 1, QStringLiteral("&Fichier"));
            clickRow(*lost, 2);
            clickTranslated(*lost); // status 1 to 4
            QCOMPARE(status(*lost, 2), std::string("4"));
            // Every change is in the journal at once.
            QCOMPARE(ReadJournal(lost->guard().journal().path()).changes.size(), std::size_t(2));
        } // the window goes without any question: its work is not saved

        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->show();
        int listedWhenAsked = -1;
        m_desktop->onAsk = [&](const Desktop::Question &) { listedWhenAsked = w->tokenList()->rowCount(); };
        m_desktop->answers = {0}; // Recover
        w->OpenProject(path(QStringLiteral("fr.prj")));
        QCOMPARE(questionsTitled(QStringLiteral("Recover your work ?")), 1);
        QCOMPARE(listedWhenAsked, 0);
        QCOMPARE(text(*w, 1), std::string("&Fichier"));
        QCOMPARE(status(*w, 1), std::string("4"));
        QCOMPARE(status(*w, 2), std::string("4"));
        QVERIFY(saveEnabled(*w));
        QCOMPARE(readFile(tokenFile()), kProjectTokens);
        // The progress counts them as translated.
        QCOMPARE(w->flow()->counts().progress().translated, std::size_t(3));
        // The list and the pane show it as typed.
        clickRow(*w, 1);
        QCOMPARE(box(*w)->text(), QStringLiteral("&Fichier"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 1), 1)).toString(),
                 QStringLiteral("Translated"));

        // Saved, the journal goes and nothing is offered any more.
        action(*w, "mnuSave")->trigger();
        QCOMPARE(readFile(tokenFile()), QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n[[4|1|2|0|4|]]=&Open...\r\n") +
                                            kProjectTokens.mid(kProjectTokens.indexOf("[[6")));
        w.reset();
        auto again = openedWindow();
        QCOMPARE(m_desktop->questions.size(), 1);
    }

    // The token file changed between the crash and the next opening (a
    // refresh): each change follows its token by key, and one whose original
    // text changed is listed with what was typed, never applied.
    void recoveryAgainstAChangedFileListsWhatNoLongerMatches()
    {
        {
            auto lost = openedWindow();
            QVERIFY(lost);
            translate(*lost, 1, QStringLiteral("&Fichier"));
            translate(*lost, 4, QStringLiteral("D'accord"));
        }
        writeFile(path(QStringLiteral("demo.tok")), QByteArray(kMasterTokens).replace("=OK", "=Okay"));
        const QByteArray theirs = "[[4|1|9|0|1|]]=New\r\n" + kProjectTokens;
        rewriteTokenFile(theirs);
        m_desktop->answers = {0, 0}; // Recover, then OK to the list
        auto w = openedWindow();
        QVERIFY(w);
        QCOMPARE(m_desktop->questions.size(), 2);
        QCOMPARE(m_desktop->questions[0].title, QStringLiteral("Recover your work ?"));
        QVERIFY(m_desktop->questions[0].text.contains(QStringLiteral("The token file has changed since")));
        QCOMPARE(m_desktop->questions[1].title, QStringLiteral("Changes not applied"));
        QVERIFY2(m_desktop->questions[1].details.contains(QStringLiteral("your translation: D'accord")),
                 qPrintable(m_desktop->questions[1].details));
        QCOMPARE(text(*w, 2), std::string("&Fichier")); // its token moved down one row
        QCOMPARE(status(*w, 2), std::string("4"));
        QCOMPARE(text(*w, 1), std::string("New"));
        QCOMPARE(text(*w, 5), std::string("OK"));
        QCOMPARE(status(*w, 5), std::string("1"));
        QVERIFY(saveEnabled(*w));
        QCOMPARE(readFile(tokenFile()), theirs);
    }

    void discardedWorkIsGoneAndTheTokensStayAsRead()
    {
        {
            auto lost = openedWindow();
            translate(*lost, 1, QStringLiteral("&Fichier"));
        }
        m_desktop->answers = {1}; // Discard
        auto w = openedWindow();
        QCOMPARE(m_desktop->questions.size(), 1);
        QCOMPARE(text(*w, 1), std::string("&File"));
        QVERIFY(!saveEnabled(*w));
        w.reset();
        auto again = openedWindow();
        QCOMPARE(m_desktop->questions.size(), 1);
    }

    // "No" at the save question gives the work up: nothing is offered later.
    // "&Close" drops the work from the window but keeps it for the next opening.
    void noAtTheSaveQuestionForgetsCloseKeeps()
    {
        {
            auto w = openedWindow();
            translate(*w, 1, QStringLiteral("given up"));
            m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
            QVERIFY(w->PromptSave());
        }
        {
            auto w = openedWindow();
            QVERIFY(m_desktop->questions.isEmpty());
            translate(*w, 1, QStringLiteral("kept"));
            action(*w, "mnuClose")->trigger();
            QCOMPARE(w->tokenList()->rowCount(), 0);
            m_desktop->answers = {0};
            w->OpenProject(path(QStringLiteral("fr.prj")));
            QCOMPARE(questionsTitled(QStringLiteral("Recover your work ?")), 1);
            QCOMPARE(text(*w, 1), std::string("kept"));
        }
    }

    // Listing rewrites a status in plain decimal: no edit of the user's, so no
    // journal, and a change on disk is offered for reloading at once.
    void listingIsNoEdit()
    {
        writeFile(tokenFile(), QByteArray(kProjectTokens).replace("|0|4|x]]", "|0|04|x]]"));
        auto w = openedWindow();
        QCOMPARE(status(*w, 3), std::string("4"));
        QVERIFY(!w->guard().hasUnsavedChanges());
        QVERIFY(w->guard().journal().path().empty());
        QVERIFY(!saveEnabled(*w));
    }

    // The file changes on disk while nothing is unsaved: the window offers to
    // reload it, keeps the filter and finds the selected token again by key.
    void changedOnDiskReloadsKeepingTheFilterAndTheSelection()
    {
        auto w = openedWindow();
        clickNode(*w, QStringLiteral("Menu"));
        clickRow(*w, 2);
        QCOMPARE(selectedRow(*w), std::size_t(2));
        QVERIFY(!saveEnabled(*w));
        m_desktop->answers = {0}; // Reload
        rewriteTokenFile("[[4|1|9|0|1|]]=New\r\n" + QByteArray(kProjectTokens).replace("&Open...", "&Ouvrir..."));
        QTRY_COMPARE_WITH_TIMEOUT(questionsTitled(QStringLiteral("Token file changed")), 1, 5000);
        QCOMPARE(text(*w, 3), std::string("&Ouvrir..."));
        QCOMPARE(w->treeTag(), QStringLiteral("byType Menu"));
        QCOMPARE(w->tokenList()->rowCount(), 3);
        QCOMPARE(selectedRow(*w), std::size_t(3));
        QCOMPARE(box(*w)->text(), QStringLiteral("&Ouvrir..."));
        QVERIFY(!saveEnabled(*w));
        QVERIFY(!w->guard().hasUnsavedChanges());
    }

    // The file changes on disk while the translator is typing, nothing being
    // committed yet: what is typed in the list's editor lands on its token and
    // is applied to the file read again; what is typed in the translation box
    // stays there, in the box, for Enter.
    void reloadWhileTypingLosesNoKeystroke()
    {
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 2);
        QTest::keyClick(list(*w), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor && editor != box(*w));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("&Ouvrir..."));
        QVERIFY(!w->guard().hasUnsavedChanges());
        m_desktop->answers = {0}; // Reload
        const QByteArray theirs = "[[4|1|9|0|1|]]=New\r\n" + kProjectTokens;
        rewriteTokenFile(theirs);
        QTRY_COMPARE_WITH_TIMEOUT(questionsTitled(QStringLiteral("Token file changed")), 1, 5000);
        QCOMPARE(text(*w, 1), std::string("New"));
        QCOMPARE(text(*w, 3), std::string("&Ouvrir..."));
        QVERIFY(w->guard().hasUnsavedChanges());
        QVERIFY(saveEnabled(*w));
        QCOMPARE(readFile(tokenFile()), theirs);

        // In the box now: the text stays typed, uncommitted, on its token.
        action(*w, "mnuSave")->trigger();
        clickRow(*w, 4);
        QTest::keyClick(list(*w), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("Pret ?"));
        m_desktop->answers = {0};
        rewriteTokenFile(QByteArray(theirs).replace("=OK", "=Ok"));
        QTRY_COMPARE_WITH_TIMEOUT(questionsTitled(QStringLiteral("Token file changed")), 2, 5000);
        QCOMPARE(text(*w, 5), std::string("Ok"));
        QCOMPARE(selectedRow(*w), std::size_t(4));
        QCOMPARE(box(*w)->text(), QStringLiteral("Pret ?"));
        box(*w)->setFocus();
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(text(*w, 4), std::string("Pret ?"));
    }

    void saveAfterAnotherProgramChangedTheFile_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("onDisk");
        const QByteArray theirs = "[[4|1|9|0|1|]]=New\r\n" + kProjectTokens;
        QTest::newRow("reload and apply my changes")
            << 0 << QByteArray("[[4|1|9|0|1|]]=New\r\n[[4|1|1|0|4|]]=&Fichier\r\n") + kProjectTokens.mid(22);
        QTest::newRow("overwrite") << 1 << QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n") + kProjectTokens.mid(22);
        QTest::newRow("cancel") << 2 << theirs;
    }

    // Both changed: the watch says nothing, "&Save" asks.
    void saveAfterAnotherProgramChangedTheFile()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, onDisk);
        auto w = openedWindow();
        translate(*w, 1, QStringLiteral("&Fichier"));
        QSignalSpy checked(&w->guard(), &ProjectGuard::diskChecked);
        rewriteTokenFile("[[4|1|9|0|1|]]=New\r\n" + kProjectTokens);
        QVERIFY(checked.wait(5000)); // the watch has looked at it, and asks nothing
        QVERIFY(m_desktop->questions.isEmpty());
        m_desktop->answers = {answer};
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Yes};
        const bool exits = w->PromptSave();
        QCOMPARE(questionsTitled(QStringLiteral("Token file changed")), 1);
        QCOMPARE(readFile(tokenFile()), onDisk);
        QCOMPARE(exits, answer != 2); // a cancelled save keeps the window open
        if (answer == 0) {
            QCOMPARE(text(*w, 2), std::string("&Fichier")); // the window shows the merged tokens
            // The counts follow the tables read again; undo starts over, as its
            // rows were those of the file before (Ctrl+Z would now hit "New").
            QCOMPARE(w->flow()->counts().progress().counted, std::size_t(5));
            QCOMPARE(w->flow()->counts().progress().translated, std::size_t(2));
            QVERIFY(!action(*w, "mnuUndo")->isEnabled());
            clickRow(*w, 1);
            QTest::keyClick(list(*w), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(text(*w, 1), std::string("New"));
            QCOMPARE(text(*w, 2), std::string("&Fichier"));
        }
    }

    // A change whose token the other program removed is listed with what was
    // typed, and nothing is written until the user saves again.
    void reapplyThatCannotPlaceAChangeListsItAndDoesNotSave()
    {
        auto w = openedWindow();
        translate(*w, 4, QStringLiteral("D'accord"));
        translate(*w, 1, QStringLiteral("&Fichier"));
        const QByteArray theirs = kProjectTokens.left(kProjectTokens.indexOf("[[5|"));
        rewriteTokenFile(theirs);
        m_desktop->answers = {0, 0};
        action(*w, "mnuSave")->trigger();
        QCOMPARE(m_desktop->questions.size(), 2);
        QCOMPARE(m_desktop->questions[1].title, QStringLiteral("Changes not applied"));
        QVERIFY(m_desktop->questions[1].details.contains(QStringLiteral("your translation: D'accord")));
        QCOMPARE(readFile(tokenFile()), theirs);
        QCOMPARE(text(*w, 1), std::string("&Fichier"));
        QVERIFY(saveEnabled(*w));
        // Saving again writes the merged tokens.
        action(*w, "mnuSave")->trigger();
        QCOMPARE(m_desktop->questions.size(), 2);
        QVERIFY(readFile(tokenFile()).startsWith("[[4|1|1|0|4|]]=&Fichier\r\n"));
    }

    // Another editor (a running process of this machine) holds the project: the
    // window says so and opens it read-only unless the user insists.
    void secondEditorOpensReadOnlyUnlessTheUserInsists()
    {
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        const QByteArray lock = QByteArray::number(other.processId()) + "@" + QByteArray::fromStdString(ThisHost()) +
                                "\nann\n";
        writeFile(tokenFile() + QStringLiteral(".lock"), lock);

        auto w = openedWindow(); // the question is closed: read-only
        QCOMPARE(questionsTitled(QStringLiteral("Project already open")), 1);
        QVERIFY(m_desktop->questions[0].text.contains(QStringLiteral("process %1").arg(other.processId())));
        QVERIFY(w->windowTitle().endsWith(QStringLiteral(" (read-only)")));
        clickRow(*w, 1);
        QTest::keyClick(list(*w), Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), list(*w)); // no in-place editor
        QTest::keyClick(list(*w), Qt::Key_Return);
        QTest::keyClicks(box(*w), QStringLiteral("typed"));
        QTest::keyClick(box(*w), Qt::Key_Return);
        clickTranslated(*w);
        QCOMPARE(text(*w, 1), std::string("&File"));
        QCOMPARE(status(*w, 1), std::string("1"));
        QVERIFY(!saveEnabled(*w));
        QCOMPARE(readFile(tokenFile() + QStringLiteral(".lock")), lock);

        m_desktop->answers = {1}; // Edit anyway
        w->OpenProject(path(QStringLiteral("fr.prj")));
        QVERIFY(!w->windowTitle().endsWith(QStringLiteral(" (read-only)")));
        translate(*w, 1, QStringLiteral("&Fichier"));
        QCOMPARE(text(*w, 1), std::string("&Fichier"));
        QCOMPARE(readFile(tokenFile() + QStringLiteral(".lock")), lock); // never someone else's

        // Once the other editor is gone, its lock is taken over without a word.
        other.kill();
        other.waitForFinished();
        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        QVERIFY(w->PromptSave());
        w.reset();
        auto third = openedWindow();
        QCOMPARE(questionsTitled(QStringLiteral("Project already open")), 2);
        QVERIFY(readFile(tokenFile() + QStringLiteral(".lock")).startsWith(QByteArray(QByteArray::number(getpid()) + "@")));
    }

    void savingKeepsWhatTheFileSystemPromises_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("through a symbolic link") << QStringLiteral("symlink");
        QTest::newRow("with a second hard link") << QStringLiteral("hardlink");
        QTest::newRow("shared with a group") << QStringLiteral("group");
        QTest::newRow("write-protected") << QStringLiteral("protected");
    }

    // A translation typed and saved from the menu: links stay links and every
    // name sees the new text, owner, group and mode stay, and a write-protected
    // file is refused by name with nothing changed and the work still journaled.
    void savingKeepsWhatTheFileSystemPromises()
    {
        QFETCH(QString, kind);
        const QByteArray saved = QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n") + kProjectTokens.mid(22);
        QString target = tokenFile();
        if (kind == QLatin1String("symlink")) {
            QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("shared")));
            target = path(QStringLiteral("shared/fr.tok"));
            QVERIFY(QFile::rename(tokenFile(), target));
            QVERIFY(::symlink("shared/fr.tok", tokenFile().toLocal8Bit().constData()) == 0);
        } else if (kind == QLatin1String("hardlink")) {
            target = path(QStringLiteral("build-copy.tok"));
            QVERIFY(::link(tokenFile().toLocal8Bit().constData(), target.toLocal8Bit().constData()) == 0);
        }
        const QByteArray file = tokenFile().toLocal8Bit();
        const bool root = geteuid() == 0;
        // An ordinary user keeps a second group of theirs, root any group.
        gid_t group = root ? 4646 : getegid();
        if (!root) {
            gid_t groups[64];
            const int n = ::getgroups(64, groups);
            for (int i = 0; i < n; ++i) {
                if (groups[i] != getegid())
                    group = groups[i];
            }
        }
        if (kind == QLatin1String("group"))
            QVERIFY(::chown(file.constData(), geteuid(), group) == 0 && ::chmod(file.constData(), 0660) == 0);
        if (kind == QLatin1String("protected"))
            QVERIFY(::chmod(file.constData(), 0444) == 0);

        auto w = openedWindow();
        QVERIFY(w);
        translate(*w, 1, QStringLiteral("&Fichier"));
        QVERIFY(saveEnabled(*w));
        const std::string journal = w->guard().journal().path();
        QVERIFY(QFileInfo::exists(QString::fromStdString(journal)));
        saveWithKeys(*w);

        if (kind == QLatin1String("protected")) {
            QCOMPARE(m_desktop->errors.size(), 1);
            QVERIFY2(m_desktop->errors[0].contains(QStringLiteral("The token file fr.tok is write-protected")),
                     qPrintable(m_desktop->errors[0]));
            QCOMPARE(readFile(tokenFile()), kProjectTokens);
            QVERIFY(!QFileInfo::exists(tokenFile() + QStringLiteral(".bak")));
            struct stat st = {};
            QCOMPARE(::stat(file.constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0444));
            // The work is still there: in the window, to be saved, and in the journal.
            QVERIFY(saveEnabled(*w));
            QCOMPARE(text(*w, 1), std::string("&Fichier"));
            QCOMPARE(ReadJournal(journal).changes.size(), std::size_t(1));
            return;
        }
        QVERIFY2(m_desktop->errors.isEmpty(), qPrintable(m_desktop->errors.join(QLatin1Char('\n'))));
        QVERIFY(!w->guard().hasUnsavedChanges());
        QCOMPARE(readFile(tokenFile()), saved);
        QCOMPARE(readFile(target), saved);
        QCOMPARE(readFile(tokenFile() + QStringLiteral(".bak")), kProjectTokens);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(journal)));
        struct stat st = {};
        QCOMPARE(::lstat(file.constData(), &st), 0);
        if (kind == QLatin1String("symlink")) {
            QVERIFY(S_ISLNK(st.st_mode));
        } else if (kind == QLatin1String("hardlink")) {
            struct stat other = {};
            QCOMPARE(::stat(target.toLocal8Bit().constData(), &other), 0);
            QCOMPARE(other.st_ino, st.st_ino);
        } else {
            QCOMPARE(st.st_gid, group);
            QCOMPARE(st.st_mode & 07777, mode_t(0660));
            struct stat backup = {};
            QCOMPARE(::stat(QByteArray(file + ".bak").constData(), &backup), 0);
            QCOMPARE(backup.st_gid, group);
        }
        // Nothing but the project's files is left beside the token file.
        QStringList names = QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
        for (const QString &name : names)
            QVERIFY2(!name.contains(QStringLiteral(".~")), qPrintable(name));
    }

    // A save killed half-way left its temporaries: opening the project removes
    // those of processes that have ended, and nothing else.
    void openingRemovesTheLeftoversOfKilledSaves()
    {
        QProcess ended;
        ended.start(QStringLiteral("true"), {});
        QVERIFY(ended.waitForStarted());
        const qint64 gone = ended.processId();
        QVERIFY(ended.waitForFinished());
        QProcess running;
        running.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(running.waitForStarted());
        const QString host = QString::fromStdString(ThisHost());
        const QString stale = QStringLiteral("fr.tok.~%1@%2.0badf00d").arg(gone).arg(host);
        const QString staleBackup = QStringLiteral("fr.tok.bak.~%1@%2.12345678").arg(gone).arg(host);
        const QString inUse = QStringLiteral("fr.tok.~%1@%2.0badf00d").arg(running.processId()).arg(host);
        const QString otherMachine = QStringLiteral("fr.tok.~%1@elsewhere.0badf00d").arg(gone);
        const QString someoneElses = QStringLiteral("fr.tok.~notes");
        for (const QString &name : {stale, staleBackup, inUse, otherMachine, someoneElses})
            writeFile(path(name), "half a save");

        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(!QFileInfo::exists(path(stale)));
        QVERIFY(!QFileInfo::exists(path(staleBackup)));
        for (const QString &name : {inUse, otherMachine, someoneElses})
            QCOMPARE(readFile(path(name)), QByteArray("half a save"));
        running.kill();
        running.waitForFinished();
    }
};

QTEST_MAIN(KeepingWorkTest)
#include "keepingwork_test.moc"
