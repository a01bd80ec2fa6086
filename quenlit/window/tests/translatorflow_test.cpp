// The translator's flow in the editor window, driven as a user drives it: keys
// on the focused widget, clicks on the list's viewport and the tree's.
#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/find/findbar.h"
#include "window/frmprinc.h"
#include "qtestfiles.h"
#include "window/find/replacebar.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"
#include "window/translatorflow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace quenlit;

using quenlit::FrmPrinc;

namespace {

const QByteArray kMasterTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                 "[[4|1|2|0|1|]]=&Open...\r\n"
                                 "[[4|1|3|0|1|]]=E&xit\r\n"
                                 "[[6|1|7|0|1|x]]=Ready\r\n"
                                 "[[5|100|1|0|1|]]=OK\r\n"
                                 "[[6|1|8|0|1|x]]=Save the file\r\n"
                                 "[[6|1|9|0|1|x]]=Open the file\r\n"
                                 "[[6|1|10|0|1|x]]=Read-only file\r\n";
// Rows: 1 translated, 2 needs work, 3 read-only non-translated (3), 4 needs work,
// 5 read-only (6), 6 needs work (5), 7 needs work, 8 read-only (6).
const QByteArray kProjectTokens = "[[4|1|1|0|4|]]=&Fichier\r\n"
                                  "[[4|1|2|0|1|]]=&Open...\r\n"
                                  "[[4|1|3|0|3|]]=E&xit\r\n"
                                  "[[6|1|7|0|01|x]]=Ready\r\n"
                                  "[[5|100|1|0|6|]]=OK\r\n"
                                  "[[6|1|8|0|5|x]]=Enregistrer le fichier\r\n"
                                  "[[6|1|9|0|1|x]]=Open the file\r\n"
                                  "[[6|1|10|0|6|x]]=Read-only file\r\n";

} // namespace

class TranslatorFlowTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

private:
    QString prj() const { return path(QStringLiteral("fr.prj")); }
    QString tokenFile() const { return path(QStringLiteral("fr.tok")); }

    // The project opened even in a window that never became active.
    std::unique_ptr<FrmPrinc> openedWindow()
    {
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active");
        w->OpenProject(prj());
        return w;
    }

    static QLineEdit *findBox(FrmPrinc &w) { return child<QLineEdit>(w, "txtFind"); }

    static int selectedRow(FrmPrinc &w)
    {
        const QModelIndexList selected = list(w)->selectionModel()->selectedRows();
        return selected.isEmpty() ? 0 : static_cast<int>(w.tokenList()->tableRow(selected.front().row()));
    }
    static void clickNode(FrmPrinc &w, const QString &text)
    {
        auto *tree = child<QTreeWidget>(w, "tvTyp");
        const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!found.isEmpty());
        for (QTreeWidgetItem *p = found.front()->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree->scrollToItem(found.front());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.front()).center());
    }
    // Typed key by key into the focused widget; letters beyond ASCII come as
    // key events that carry their text, as an input method gives them.
    static void type(const QString &text)
    {
        for (const QChar c : text) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            if (c.unicode() < 0x80) {
                QTest::keyClick(focus, static_cast<char>(c.unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Press, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
            }
        }
    }
    static QByteArray cell(FrmPrinc &w, int row, int column)
    {
        return QByteArray::fromStdString(w.document().projectTable().cellText(static_cast<std::size_t>(row), column));
    }
    static QStringList words(std::initializer_list<const char *> list)
    {
        QStringList out;
        for (const char *w : list)
            out << QString::fromUtf8(w);
        return out;
    }
    static QString message(FrmPrinc &w) { return w.statusBar()->currentMessage(); }
    // Waits for the find box's narrowing to reach the list.
    static void settle(FrmPrinc &w)
    {
        QTRY_VERIFY(!w.flow()->narrowingPending());
    }
    // Puts the caret in the translation box of a row: a click on its item, then Enter.
    static void editRow(FrmPrinc &w, int row)
    {
        clickRow(w, row);
        QCOMPARE(selectedRow(w), row);
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(w));
    }

private slots:
    void init()
    {
        setUpFixture();
        writeFrenchProject(kMasterTokens, kProjectTokens);
    }

    void cleanup()
    {
        tearDownFixture();
    }

    void menus()
    {
        auto w = openedWindow();
        QStringList titles;
        for (QAction *a : w->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, words({"&File", "&Edit", "&Go", "&Options", "&Help"}));
        auto items = [&](int menu) {
            QStringList out;
            for (QAction *a : w->menuBar()->actions().at(menu)->menu()->actions())
                out << (a->isSeparator() ? QStringLiteral("-")
                                         : a->text() + QStringLiteral("|") + a->shortcut().toString());
            return out;
        };
        // "&File" as it always was, with the usual keys; "&Options" with its first item first.
        QCOMPARE(items(0), words({"&Open...|Ctrl+O", "&Close|", "-", "&Save|Ctrl+S", "-", "E&xit|Ctrl+Q"}));
        QCOMPARE(items(3), words({"Show &read-only tokens|", "Show only tokens with &problems|", "&Code page|",
                                  "Co&lumns|", "-", "&Preview|Ctrl+Shift+P", "&Memory matches from|"}));
        QCOMPARE(items(4), words({"Translator's &guide|F1", "-", "&About quenlit|"}));
        QCOMPARE(items(1), words({"&Undo|Ctrl+Z", "&Redo|Ctrl+Shift+Z", "-", "&Find|Ctrl+F", "Re&place|Ctrl+H", "-",
                                  "Copy &original|Ctrl+B", "-", "Fill &identical texts...|", "Fill from &memory...|"}));
        QCOMPARE(items(2), words({"&Next to translate|Ctrl+Down", "&Previous to translate|Ctrl+Up",
                                  "&Commit and next|Ctrl+Enter", "-", "Next p&roblem|F8",
                                  "Previous pro&blem|Shift+F8"}));
        QCOMPARE(child<QAction>(*w, "mnuRedo")->shortcuts().size(), 2); // Ctrl+Y too
    }

    void commitAndNextFollowsTheList()
    {
        auto w = openedWindow();
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4, 6, 7}));
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return, Qt::ControlModifier);
        // Stored as Enter stores it.
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir..."));
        QCOMPARE(cell(*w, 2, 5), QByteArray("4"));
        QVERIFY(child<QAction>(*w, "mnuSave")->isEnabled());
        // Then the next one that needs work, read-only row 3 skipped, ready to type over.
        QCOMPARE(selectedRow(*w), 4);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QCOMPARE(box(*w)->text(), QStringLiteral("Ready"));
        QCOMPARE(box(*w)->selectedText(), QStringLiteral("Ready"));
        QCOMPARE(child<QLineEdit>(*w, "txtOrgTok")->text(), QStringLiteral("Ready"));

        type(QStringLiteral("Pr\u00EAt"));
        key(Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier); // the keypad's Enter too
        QCOMPARE(cell(*w, 4, 0), QByteArray("Pr\xEAt"));
        QCOMPARE(selectedRow(*w), 6);
        key(Qt::Key_Down, Qt::ControlModifier); // leave 6 for later
        QCOMPARE(selectedRow(*w), 7);
        type(QStringLiteral("Ouvrir le fichier"));
        key(Qt::Key_Return, Qt::ControlModifier);
        // At the end of the list: round to the first that needs work, and say so.
        QCOMPARE(selectedRow(*w), 6);
        QVERIFY2(message(*w).contains(QStringLiteral("top of the list")), qPrintable(message(*w)));
        key(Qt::Key_Return, Qt::ControlModifier);
        // None left: it says so and stays.
        QCOMPARE(message(*w), QStringLiteral("All listed tokens are translated"));
        QCOMPARE(selectedRow(*w), 6);
        QCOMPARE(cell(*w, 6, 5), QByteArray("4"));
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(message(*w), QStringLiteral("All listed tokens are translated"));
        QCOMPARE(selectedRow(*w), 6);
    }

    void commitAndNextFromTheInPlaceEditor()
    {
        auto w = openedWindow();
        clickRow(*w, 2);
        key(Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor) && editor != box(*w));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return, Qt::ControlModifier);
        // The editor's text, not the pane's older one, is what is stored.
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir..."));
        QCOMPARE(cell(*w, 2, 5), QByteArray("4"));
        QCOMPARE(selectedRow(*w), 4);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QCOMPARE(box(*w)->selectedText(), QStringLiteral("Ready"));
        // One step: a single undo gives back both cells of row 2.
        list(*w)->setFocus();
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Open..."));
        QCOMPARE(cell(*w, 2, 5), QByteArray("1"));
        QVERIFY(!child<QAction>(*w, "mnuUndo")->isEnabled());
    }

    void aTreeClickCommitsTheInPlaceEditAsOneUndoStep()
    {
        auto w = openedWindow();
        auto *listLabel = child<QLabel>(*w, "lbListProgress");
        clickRow(*w, 7);
        key(Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("Ouvrir le fichier"));
        // The tree is clicked while the editor is open: the edit lands on row 7.
        clickNode(*w, QStringLiteral("String"));
        QCOMPARE(listedRows(*w), (QList<int>{4, 6, 7}));
        QCOMPARE(cell(*w, 7, 0), QByteArray("Ouvrir le fichier"));
        QCOMPARE(cell(*w, 7, 5), QByteArray("4"));
        QCOMPARE(listLabel->text(), QStringLiteral("List 1/3 \u00B7 33 %"));
        // Undo from the tree, where the focus is.
        QCOMPARE(QApplication::focusWidget(), child<QTreeWidget>(*w, "tvTyp"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(*w, 7, 0), QByteArray("Open the file"));
        QCOMPARE(cell(*w, 7, 5), QByteArray("1"));
        QCOMPARE(listLabel->text(), QStringLiteral("List 0/3 \u00B7 0 %"));
        QCOMPARE(child<QLabel>(*w, "lbProjectProgress")->text(), QStringLiteral("Project 1/6 \u00B7 16 %"));
        // The list and the pane follow the undone token.
        QCOMPARE(selectedRow(*w), 7);
        QCOMPARE(box(*w)->text(), QStringLiteral("Open the file"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 7), 0)).toString(),
                 QStringLiteral("Open the file"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 7), 1)).toString(),
                 QStringLiteral("Non-translated"));
    }

    void undoKeysFollowTheFocusMovedByTab()
    {
        auto w = openedWindow();
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir"));
        key(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 4);
        type(QStringLiteral("abc")); // typed over "Ready", not committed
        // Tab back to the "Translated" box: out of any text box, Ctrl+Z undoes the
        // table, and the typing in the box goes with the selection change.
        key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QCheckBox>(*w, "chkTrans"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Open..."));
        QCOMPARE(cell(*w, 2, 5), QByteArray("1"));
        QCOMPARE(selectedRow(*w), 2);
        QCOMPARE(box(*w)->text(), QStringLiteral("&Open..."));
        // Back into the translation box: there, Ctrl+Z is the box's own.
        key(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        key(Qt::Key_End);
        type(QStringLiteral("!"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("&Open..."));
        QVERIFY(child<QAction>(*w, "mnuRedo")->isEnabled()); // the table's redo still waits
        key(Qt::Key_Tab);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir"));
    }

    void theGoKeysFollowTheFoundList()
    {
        auto w = openedWindow();
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("FILE"));
        settle(*w);
        // Masters "&File", "Save the file", "Open the file"; row 8 is read-only and hidden.
        QCOMPARE(listedRows(*w), (QList<int>{1, 6, 7}));
        QCOMPARE(child<QLabel>(*w, "lbFindCount")->text(), QStringLiteral("3 tokens match"));
        key(Qt::Key_Down); // from the find box to the list's first item
        QCOMPARE(selectedRow(*w), 1);
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 6);
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 7);
        key(Qt::Key_Return);
        type(QStringLiteral("Ouvrir le fichier"));
        key(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 6); // round to the top of the found list
        QVERIFY(message(*w).contains(QStringLiteral("top of the list")));
        QCOMPARE(listedRows(*w), (QList<int>{1, 6, 7})); // the list stays as found
        QCOMPARE(child<QLabel>(*w, "lbListProgress")->text(), QStringLiteral("List 2/3 \u00B7 66 %"));
    }

    void goingWithoutCommitting()
    {
        auto w = openedWindow();
        clickRow(*w, 1);
        key(Qt::Key_Down, Qt::ControlModifier); // in the list
        QCOMPARE(selectedRow(*w), 2);
        QCOMPARE(QApplication::focusWidget(), list(*w));
        key(Qt::Key_Return);
        type(QStringLiteral("not committed"));
        key(Qt::Key_Down, Qt::ControlModifier); // in the box: read-only row 3 is skipped
        QCOMPARE(selectedRow(*w), 4);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Open...")); // nothing stored
        QCOMPARE(cell(*w, 2, 5), QByteArray("1"));
        key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 2);
        QCOMPARE(box(*w)->text(), QStringLiteral("&Open...")); // the typed text is gone, as on any selection
        key(Qt::Key_Up, Qt::ControlModifier); // before the first: from the bottom
        QCOMPARE(selectedRow(*w), 7);
        QVERIFY(message(*w).contains(QStringLiteral("bottom of the list")));
        // With read-only tokens shown, they are still skipped.
        toggleReadOnlyShown(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        clickRow(*w, 4);
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 6);
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 7);
        key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), 2);
    }

    void copyOriginal()
    {
        auto w = openedWindow();
        editRow(*w, 6);
        key(Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("Save the file"));
        QCOMPARE(cell(*w, 6, 0), QByteArray("Enregistrer le fichier")); // nothing stored yet
        // The box's own undo takes it back.
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("Enregistrer le fichier"));
        key(Qt::Key_B, Qt::ControlModifier);
        key(Qt::Key_Return);
        QCOMPARE(cell(*w, 6, 0), QByteArray("Save the file"));
        QCOMPARE(cell(*w, 6, 5), QByteArray("4"));
    }

    void findIgnoresMarkersAndCase()
    {
        auto w = openedWindow();
        clickRow(*w, 1);
        key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), findBox(*w));
        type(QStringLiteral("OPEN"));
        settle(*w);
        // Row 2 by its master "&Open..." and its text, row 7 by both.
        QCOMPARE(listedRows(*w), (QList<int>{2, 7}));
        QCOMPARE(child<QLabel>(*w, "lbFindCount")->text(), QStringLiteral("2 tokens match"));
        QTest::keyClick(findBox(*w), Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("exit"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{3})); // "E&xit"
        type(QStringLiteral("zz"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{}));
        QCOMPARE(child<QLabel>(*w, "lbFindCount")->text(), QStringLiteral("No token matches"));
        // Escape gives the list back, exactly the tree's.
        key(Qt::Key_Escape);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4, 6, 7}));
        QVERIFY(!findBox(*w)->isVisible());
        QCOMPARE(QApplication::focusWidget(), list(*w));
    }

    void findNarrowsTheTreesList()
    {
        auto w = openedWindow();
        clickNode(*w, QStringLiteral("Menu"));
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3}));
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("fi"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1})); // "&Fichier", "&File"; rows 6 to 8 are not menus
        // A filter chosen while finding: the find text applies to the new list.
        clickNode(*w, QStringLiteral("String"));
        QCOMPARE(listedRows(*w), (QList<int>{6, 7}));
        child<QAction>(*w, "mnuShowROT")->trigger();
        QCOMPARE(listedRows(*w), (QList<int>{6, 7, 8}));
        // Down in the find box goes to the list and selects its first item.
        findBox(*w)->setFocus();
        key(Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), list(*w));
        QCOMPARE(selectedRow(*w), 6);
        findBox(*w)->setFocus();
        key(Qt::Key_Escape);
        QCOMPARE(listedRows(*w), (QList<int>{4, 6, 7, 8}));
        // The token found stays selected in the list given back, and in sight.
        QCOMPARE(selectedRow(*w), 6);
        QCOMPARE(QApplication::focusWidget(), list(*w));
        QVERIFY(list(*w)->viewport()->rect().contains(list(*w)->visualRect(list(*w)->currentIndex()).center()));
        // Typing a text the selected token still matches keeps it selected.
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("re"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{4, 6, 8}));
        QCOMPARE(selectedRow(*w), 6);
        type(QStringLiteral("ad"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{4, 8}));
        QCOMPARE(selectedRow(*w), 0);
    }

    // A translation typed in the box and not stored yet stays there while the
    // find box narrows the list and gives it back, as long as its token is listed.
    void aTranslationBeingTypedOutlivesTheFindBox()
    {
        auto w = openedWindow();
        editRow(*w, 6);
        type(QStringLiteral("Neu"));
        QLineEdit *translation = child<QLineEdit>(*w, "txtTransTok");
        QCOMPARE(translation->text(), QStringLiteral("Neu"));
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("re"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{4, 6}));
        QCOMPARE(selectedRow(*w), 6);
        QCOMPARE(translation->text(), QStringLiteral("Neu"));
        key(Qt::Key_Escape);
        QCOMPARE(selectedRow(*w), 6);
        QCOMPARE(translation->text(), QStringLiteral("Neu"));
        QCOMPARE(cell(*w, 6, 0), QByteArray("Enregistrer le fichier"));
        translation->setFocus();
        key(Qt::Key_Return);
        QCOMPARE(cell(*w, 6, 0), QByteArray("Neu"));
    }

    // A long list is narrowed over several turns of the event loop: until a run
    // ends, the list shows what it showed, row for row, even while the run
    // narrows that very list; the new list then replaces it whole, and Escape
    // gives back the tree's list itself.
    void aListBeingNarrowedStaysAsShownUntilTheNewOneIsReady()
    {
        // More rows than one turn narrows; every text holds "ab", every third "abc".
        constexpr int kRows = 250000;
        QByteArray master;
        QByteArray project;
        for (int i = 1; i <= kRows; ++i) {
            const QByteArray id = QByteArray::number(i);
            master += "[[6|1|" + id + "|0|1|]]=Text " + id + "\r\n";
            project += "[[6|1|" + id + "|0|1|]]=" + (i % 3 ? "ab " : "abc ") + id + "\r\n";
        }
        writeFrenchProject(master, project);
        auto w = openedWindow();
        QCOMPARE(w->tokenList()->rowCount(), kRows);
        const ListRows *whole = &w->tokenList()->rows();
        QCOMPARE(whole, w->flow()->narrowedList().base().get());
        key(Qt::Key_F, Qt::ControlModifier);
        int turns = 0;
        for (const char *typed : {"a", "b", "c"}) {
            // The list shown, held here so that it outlives its showing.
            const SharedListRows held = w->flow()->narrowedList().rows();
            const ListRows *shown = held.get();
            QCOMPARE(&w->tokenList()->rows(), shown);
            const ListRows asShown = *shown;
            type(QString::fromLatin1(typed));
            QVERIFY(w->flow()->narrowingPending());
            turns = 0;
            while (w->flow()->narrowingPending()) {
                QCOMPARE(&w->tokenList()->rows(), shown);
                QVERIFY(*shown == asShown);
                QCOMPARE(w->tokenList()->rowCount(), static_cast<int>(asShown.size()));
                QCoreApplication::processEvents();
                ++turns;
            }
            QVERIFY(&w->tokenList()->rows() != shown);
            QVERIFY(*shown == asShown); // the old list is as it was
        }
        QVERIFY(turns >= 2); // "abc" narrowed the list of "ab" in steps
        QCOMPARE(w->tokenList()->rowCount(), kRows / 3);
        QCOMPARE(w->tokenList()->tableRow(0), std::size_t(3));
        QCOMPARE(w->tokenList()->tableRow(kRows / 3 - 1), std::size_t(kRows / 3 * 3));
        key(Qt::Key_Escape);
        QCOMPARE(&w->tokenList()->rows(), whole);
        QCOMPARE(w->tokenList()->rowCount(), kRows);
        QCOMPARE(w->tokenList()->tableRow(kRows - 1), std::size_t(kRows));
    }

    // The find index is made on a thread once the list is painted; texts
    // committed while it is made, in rows it has made and in rows it has not,
    // are found as they now read, and the first keystroke needs no other wait.
    void commitsWhileTheIndexIsMadeAreFound()
    {
        constexpr int kRows = 200000;
        QByteArray master;
        QByteArray project;
        for (int i = 1; i <= kRows; ++i) {
            const QByteArray id = QByteArray::number(i);
            master += "[[6|1|" + id + "|0|1|]]=Text " + id + "\r\n";
            project += "[[6|1|" + id + "|0|1|]]=Texte " + id + "\r\n";
        }
        writeFrenchProject(master, project);
        auto w = openedWindow();
        QTRY_VERIFY(w->flow()->findIndex().builtRows() > 0); // begun without find
        editRow(*w, 1);
        box(*w)->selectAll();
        type(QStringLiteral("zebra"));
        key(Qt::Key_Return);
        w->StoreTokenText(kRows, "zebra tardif");
        QCOMPARE(cell(*w, 1, ColText), QByteArray("zebra"));
        QTRY_VERIFY(w->flow()->findIndex().complete());
        QVERIFY(!w->flow()->indexBuilding());
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("ZEBRA"));
        settle(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, kRows}));
    }

    // Escape gives back the whole list with nothing selected when nothing was:
    // its first token is current, and Home (or Up) selects it.
    void homeSelectsTheFirstTokenOfTheListGivenBack()
    {
        auto w = openedWindow();
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("fi"));
        settle(*w);
        key(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), list(*w));
        QCOMPARE(selectedRow(*w), 0);
        key(Qt::Key_Home);
        QCOMPARE(selectedRow(*w), 1);
        QCOMPARE(child<QLineEdit>(*w, "txtTransTok")->text(), QStringLiteral("&Fichier"));
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("zz"));
        settle(*w);
        key(Qt::Key_Escape);
        QCOMPARE(selectedRow(*w), 0);
        key(Qt::Key_Up);
        QCOMPARE(selectedRow(*w), 1);
    }

    // The file changed on disk while the preview was open and was read again:
    // the token the preview showed is left as it now is, nothing is counted as
    // changed and there is nothing to save.
    void replaceAllSkipsWhatChangedSinceThePreview()
    {
        auto w = openedWindow();
        key(Qt::Key_H, Qt::ControlModifier);
        type(QStringLiteral("the file"));
        key(Qt::Key_Tab);
        type(QStringLiteral("le fichier"));
        key(Qt::Key_Return);
        ReplacePreview *preview = nullptr;
        QTRY_VERIFY((preview = w->findChild<ReplacePreview *>()) && preview->isVisible());
        QCOMPARE(preview->changes()->model()->rowCount(), 1);
        QByteArray tokens = readFile(path(QStringLiteral("fr.tok")));
        tokens.replace("=Open the file\r\n", "=Ouvrir the file\r\n");
        writeFile(path(QStringLiteral("fr.tok")), tokens);
        QVERIFY(w->ReloadProject(false));
        QTest::mouseClick(preview->replaceButton(), Qt::LeftButton);
        QTRY_VERIFY(!w->findChild<ReplacePreview *>());
        QCOMPARE(cell(*w, 7, 0), QByteArray("Ouvrir the file"));
        QCOMPARE(message(*w), QStringLiteral("0 token(s) changed, 1 left alone: changed since the preview"));
        QVERIFY(!child<QAction>(*w, "mnuSave")->isEnabled());
    }

    void replaceAllIsOneStep()
    {
        auto w = openedWindow();
        toggleReadOnlyShown(*w); // the read-only row 8 is listed
        QList<QByteArray> cells;
        for (int row = 1; row <= 8; ++row)
            cells << cell(*w, row, 0) + '|' + cell(*w, row, 5);
        clickRow(*w, 1);
        key(Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(*w, "txtReplaceFind"));
        type(QStringLiteral("FILE"));
        QTest::keyClick(child<QLineEdit>(*w, "txtReplaceFind"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(*w, "txtReplaceWith"));
        type(QStringLiteral("fichier"));
        auto *whole = child<QCheckBox>(*w, "chkWholeWords");
        QTest::mouseClick(whole, Qt::LeftButton, {}, QPoint(5, whole->height() / 2));
        QVERIFY(whole->isChecked());
        QTest::mouseClick(child<QPushButton>(*w, "btReplaceAll"), Qt::LeftButton);
        ReplacePreview *preview = nullptr;
        QTRY_VERIFY((preview = w->findChild<ReplacePreview *>()) && preview->isVisible());
        // Row 7 only: row 8 is read-only, row 6's master "Save the file" is no translation.
        QCOMPARE(preview->changes()->model()->rowCount(), 1);
        QCOMPARE(preview->changes()->model()->index(0, 1).data().toString(), QStringLiteral("Open the fichier"));
        QPointer<ReplacePreview> first(preview);
        QTest::mouseClick(preview->replaceButton(), Qt::LeftButton);
        QTRY_VERIFY(first.isNull()); // closed and gone
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(cell(*w, 7, 0), QByteArray("Open the fichier"));
        QCOMPARE(cell(*w, 7, 5), QByteArray("4"));
        QCOMPARE(cell(*w, 8, 0), QByteArray("Read-only file"));
        QCOMPARE(w->document().masterTable().cellText(6, 0), std::string("Save the file"));
        QVERIFY(child<QAction>(*w, "mnuSave")->isEnabled());

        // Several tokens at once, then one undo takes them all back.
        auto *matchCase = child<QCheckBox>(*w, "chkMatchCase");
        QTest::mouseClick(matchCase, Qt::LeftButton, {}, QPoint(5, matchCase->height() / 2));
        QTest::mouseClick(whole, Qt::LeftButton, {}, QPoint(5, whole->height() / 2));
        auto *find = child<QLineEdit>(*w, "txtReplaceFind");
        QTest::mouseClick(find, Qt::LeftButton);
        QTest::keyClick(find, Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("e"));
        key(Qt::Key_Tab);
        type(QStringLiteral("E")); // Tab selected the field's text: typed over
        key(Qt::Key_Return);
        QTRY_VERIFY((preview = w->findChild<ReplacePreview *>()) && preview->isVisible());
        QCOMPARE(preview->changes()->model()->rowCount(), 5); // rows 1, 2, 4, 6, 7; never 3 or 8
        QPointer<ReplacePreview> second(preview);
        QTest::mouseClick(preview->replaceButton(), Qt::LeftButton);
        QTRY_VERIFY(second.isNull());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(cell(*w, 6, 0), QByteArray("EnrEgistrEr lE fichiEr"));
        QCOMPARE(cell(*w, 6, 5), QByteArray("4"));
        QCOMPARE(cell(*w, 3, 0), QByteArray("E&xit")); // read-only
        clickRow(*w, 1);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(*w, 6, 0), QByteArray("Enregistrer le fichier"));
        QCOMPARE(cell(*w, 6, 5), QByteArray("5"));
        QCOMPARE(cell(*w, 7, 0), QByteArray("Open the fichier"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QList<QByteArray> after;
        for (int row = 1; row <= 8; ++row)
            after << cell(*w, row, 0) + '|' + cell(*w, row, 5);
        QCOMPARE(after, cells);
        // Undone changes never reach the file.
        fileMenu(*w, Qt::Key_S);
        QCOMPARE(readFile(tokenFile()), QByteArray(kProjectTokens).replace("|01|", "|1|"));
    }

    void undoRestoresTheExactBytesOfEachRow()
    {
        auto w = openedWindow();
        auto snapshot = [&] {
            QList<QByteArray> rows;
            for (int row = 1; row <= 8; ++row)
                rows << cell(*w, row, 0) + '|' + cell(*w, row, 5);
            return rows;
        };
        const auto s0 = snapshot();
        // In place: F2 on row 2, new text, Enter.
        clickRow(*w, 2);
        key(Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return);
        QTRY_COMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir..."));
        const auto s1 = snapshot();
        // The box: row 4, whose status was "01" when read.
        editRow(*w, 4);
        type(QStringLiteral("Pr\u00EAt"));
        key(Qt::Key_Return);
        QCOMPARE(cell(*w, 4, 0), QByteArray("Pr\xEAt"));
        const auto s2 = snapshot();
        // A Translated click on row 7.
        clickRow(*w, 7);
        auto *translated = child<QCheckBox>(*w, "chkTrans");
        QTest::mouseClick(translated, Qt::LeftButton, {}, QPoint(5, translated->height() / 2));
        QCOMPARE(cell(*w, 7, 5), QByteArray("4"));
        const auto s3 = snapshot();

        list(*w)->setFocus();
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(), s2);
        // The list and the pane follow: row 7's item, non-translated again.
        QCOMPARE(selectedRow(*w), 7);
        QVERIFY(!translated->isChecked());
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 7), 1)).toString(),
                 QStringLiteral("Non-translated"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 7), 0), Qt::FontRole).value<QFont>().bold(),
                 true);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(), s1);
        QCOMPARE(selectedRow(*w), 4);
        QCOMPARE(box(*w)->text(), QStringLiteral("Ready"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(), s0);
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 2), 0)).toString(),
                 QStringLiteral("&Open..."));
        QVERIFY(!child<QAction>(*w, "mnuUndo")->isEnabled());
        // Redo, with both of its keys.
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(snapshot(), s1);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(snapshot(), s2);
        child<QAction>(*w, "mnuRedo")->trigger();
        QCOMPARE(snapshot(), s3);
        QVERIFY(child<QAction>(*w, "mnuSave")->isEnabled());
    }

    void undoKeysInATextBoxAreTheBoxs()
    {
        auto w = openedWindow();
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir"));
        key(Qt::Key_Return);
        editRow(*w, 4);
        type(QStringLiteral("abc"));
        key(Qt::Key_Z, Qt::ControlModifier); // the box's undo of what was typed
        QCOMPARE(box(*w)->text(), QStringLiteral("Ready"));
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir")); // the table's history untouched
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("abc"));
        QVERIFY(child<QAction>(*w, "mnuUndo")->isEnabled());
        // In the find box too.
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("xyz"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(findBox(*w)->text() != QStringLiteral("xyz"));
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Ouvrir"));
        // The menu item undoes the table wherever the focus is.
        child<QAction>(*w, "mnuUndo")->trigger();
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Open..."));
    }

    void progressInTheStatusBarAndTheTree()
    {
        auto w = openedWindow();
        auto *listLabel = child<QLabel>(*w, "lbListProgress");
        auto *projectLabel = child<QLabel>(*w, "lbProjectProgress");
        // Counted: all but the read-only rows 5 and 8 (status 6): 6; translated: row 1.
        // The list holds every token that counts: one label says both.
        QCOMPARE(listLabel->text(), QStringLiteral("1/6 \u00B7 16 %"));
        QVERIFY(projectLabel->isHidden());
        clickNode(*w, QStringLiteral("Menu"));
        QCOMPARE(listLabel->text(), QStringLiteral("List 1/3 \u00B7 33 %"));
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return);
        QCOMPARE(listLabel->text(), QStringLiteral("List 2/3 \u00B7 66 %"));
        QCOMPARE(projectLabel->text(), QStringLiteral("Project 2/6 \u00B7 33 %"));
        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("fichier"));
        settle(*w);
        QCOMPARE(listLabel->text(), QStringLiteral("List 1/1 \u00B7 100 %"));

        // A node's tooltip tells its count; its text stays.
        auto *tree = child<QTreeWidget>(*w, "tvTyp");
        const auto strings = tree->findItems(QStringLiteral("String"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(strings.size(), 1);
        QHelpEvent help(QEvent::ToolTip, tree->visualItemRect(strings.front()).center(), QCursor::pos());
        QApplication::sendEvent(tree->viewport(), &help);
        QCOMPARE(strings.front()->text(0), QStringLiteral("String"));
        QCOMPARE(strings.front()->toolTip(0), QStringLiteral("String: 3 tokens, 0 of 3 translated (0 %)"));
    }

    // At the window's first size every field of the status bar reads whole,
    // the project's count among them with a filter or a find active; a
    // message too long for the room left moves only the list's count aside.
    void statusTextsAreShownWhole()
    {
        auto w = openedWindow();
        QStatusBar *bar = w->statusBar();
        auto *listLabel = child<QLabel>(*w, "lbListProgress");
        auto *projectLabel = child<QLabel>(*w, "lbProjectProgress");
        auto whole = [&] {
            for (QLabel *label : bar->findChildren<QLabel *>()) {
                if (label->isVisible() && label->width() < label->sizeHint().width())
                    return false;
            }
            return true;
        };
        QCOMPARE(w->width(), 578);
        clickNode(*w, QStringLiteral("Menu"));
        clickRow(*w, 2);
        QCOMPARE(listLabel->text(), QStringLiteral("List 1/3 \u00B7 33 %"));
        QVERIFY(listLabel->toolTip().startsWith(QStringLiteral("List: 1 of 3 translated (33 %)\n")));
        QCOMPARE(projectLabel->toolTip(), QStringLiteral("The whole project: 1 of 6 translated (16 %)"));
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return, Qt::ControlModifier);
        list(*w)->setFocus();
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(message(*w), QStringLiteral("Undone: commit and next"));
        runQueued(); // laid out as the user sees it
        QTRY_VERIFY(projectLabel->isVisible());
        QTRY_VERIFY(whole());
        bar->clearMessage();
        QVERIFY(listLabel->isVisible());

        key(Qt::Key_F, Qt::ControlModifier);
        type(QStringLiteral("o"));
        settle(*w);
        runQueued();
        QTRY_VERIFY(projectLabel->isVisible());
        QCOMPARE(projectLabel->text(), QStringLiteral("Project 1/6 \u00B7 16 %"));
        QTRY_VERIFY(whole());
    }

    void withoutTheNewControlsTheFileIsThePartsOwn()
    {
        // A session of the Parts' own controls: clicks, Enter, F2, the Translated
        // box, the tree, the read-only option, "&Save".
        auto w = openedWindow();
        clickRow(*w, 1);                      // status 4: unchanged
        editRow(*w, 2);
        type(QStringLiteral("&Ouvrir..."));
        key(Qt::Key_Return);
        clickRow(*w, 6);                      // stays 5: the box was unchecked already
        auto *translated = child<QCheckBox>(*w, "chkTrans");
        QTest::mouseClick(translated, Qt::LeftButton, {}, QPoint(5, translated->height() / 2)); // 1 -> 4
        clickRow(*w, 7);
        key(Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("Ouvrir le fichier"));
        key(Qt::Key_Return);
        clickNode(*w, QStringLiteral("Read-only"));
        toggleReadOnlyShown(*w);
        QCOMPARE(listedRows(*w), (QList<int>{3, 5, 8}));
        clickRow(*w, 5);                      // status 6: the box is checked: no change
        fileMenu(*w, Qt::Key_S);
        const QByteArray expected = "[[4|1|1|0|4|]]=&Fichier\r\n"
                                    "[[4|1|2|0|4|]]=&Ouvrir...\r\n"
                                    "[[4|1|3|0|3|]]=E&xit\r\n"
                                    "[[6|1|7|0|1|x]]=Ready\r\n"
                                    "[[5|100|1|0|6|]]=OK\r\n"
                                    "[[6|1|8|0|4|x]]=Enregistrer le fichier\r\n"
                                    "[[6|1|9|0|4|x]]=Ouvrir le fichier\r\n"
                                    "[[6|1|10|0|6|x]]=Read-only file\r\n";
        QCOMPARE(readFile(tokenFile()), expected);
        QCOMPARE(readFile(tokenFile() + QStringLiteral(".bak")), kProjectTokens);
        // No find bar, no replace bar took room from the list.
        QVERIFY(!findBox(*w)->isVisible());
        QVERIFY(!child<QLineEdit>(*w, "txtReplaceFind")->isVisible());
    }

    void aClosedProjectHasNoHistory()
    {
        auto w = openedWindow();
        editRow(*w, 2);
        type(QStringLiteral("x"));
        key(Qt::Key_Return);
        QVERIFY(child<QAction>(*w, "mnuUndo")->isEnabled());
        fileMenu(*w, Qt::Key_C);
        QVERIFY(!child<QAction>(*w, "mnuUndo")->isEnabled());
        QCOMPARE(child<QLabel>(*w, "lbListProgress")->text(), QString());
        w->OpenProject(prj());
        QVERIFY(!child<QAction>(*w, "mnuUndo")->isEnabled());
        list(*w)->setFocus();
        key(Qt::Key_Z, Qt::ControlModifier); // nothing to undo: nothing happens
        QCOMPARE(cell(*w, 2, 0), QByteArray("&Open..."));
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4, 6, 7}));
    }
};

QTEST_MAIN(TranslatorFlowTest)
#include "translatorflow_test.moc"
