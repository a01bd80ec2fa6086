// The token list, its in-place editor and the editing pane driven as a user
// drives them: mouse clicks on the list's and the tree's viewports, keys on the
// focused widget, focus moved by Tab.

#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/listcolumns.h"
#include "window/tokenlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace quenlit;

using quenlit::FrmPrinc;

namespace {

const QByteArray kMasterTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                 "[[4|1|2|0|1|]]=&Open...\r\n"
                                 "[[6|1|7|0|1|x]]=Ready\r\n"
                                 "[[5|100|1|0|1|]]=OK\r\n"
                                 "[[16|1|1|0|2|FileVersion]]=1.0\r\n"
                                 "[[3|1|1|0|1|]]=Bitmap\r\n";
// Rows: 1 status 1, 2 status 3, 3 status 4, 4 status 6, 5 status 2, 6 status 0.
const QByteArray kProjectTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                  "[[4|1|2|0|3|]]=&Ouvrir...\r\n"
                                  "[[6|1|7|0|4|x]]=Pr\xEAt\r\n"
                                  "[[5|100|1|0|6|]]=OK\r\n"
                                  "[[16|1|1|0|2|FileVersion]]=1.0\r\n"
                                  "[[3|1|1|0|0|]]=Bitmap\r\n";

} // namespace

class EditingTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

    // The window with the project open, shown and active, its tree expanded.
    std::unique_ptr<FrmPrinc> openedWindow(bool showReadOnly = false)
    {
        auto w = EditorWindowFixture::openedWindow();
        if (!w)
            return nullptr;
        if (showReadOnly)
            toggleReadOnlyShown(*w);
        tree(*w)->expandAll();
        return w;
    }

    static QTreeWidget *tree(FrmPrinc &w) { return child<QTreeWidget>(w, "tvTyp"); }
    static QLineEdit *master(FrmPrinc &w) { return child<QLineEdit>(w, "txtOrgTok"); }
    static bool saveEnabled(FrmPrinc &w) { return action(w, "mnuSave")->isEnabled(); }
    static QWidget *focused() { return QApplication::focusWidget(); }

    static std::string text(FrmPrinc &w, std::size_t row) { return w.document().projectTable().cellText(row, 0); }
    static std::string status(FrmPrinc &w, std::size_t row) { return w.document().projectTable().cellText(row, 5); }

    // The table row of the list's selected item, 0 for none.
    static std::size_t selectedRow(FrmPrinc &w)
    {
        const QModelIndexList rows = list(w)->selectionModel()->selectedRows();
        return rows.isEmpty() ? 0 : w.tokenList()->tableRow(rows.front().row());
    }

    static void clickNode(FrmPrinc &w, const QString &name)
    {
        const auto found = tree(w)->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!found.isEmpty());
        tree(w)->scrollToItem(found.front());
        const QRect rect = tree(w)->visualItemRect(found.front());
        QTest::mouseClick(tree(w)->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() + 10, rect.center().y()));
    }

    // Opens the in-place editor of the selected item with F2; the editor has the focus.
    static QLineEdit *editWithF2()
    {
        QTest::keyClick(focused(), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(focused());
        return editor && editor->parentWidget() && editor->parentWidget()->parentWidget() &&
                       editor->parentWidget()->parentWidget()->objectName() == QStringLiteral("lvTok")
                   ? editor
                   : nullptr;
    }

    static void typeOver(QWidget *widget, const QString &typed)
    {
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(widget, typed);
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

    void anInPlaceEditReachesItsOwnTokenWhenATreeNodeIsClicked_data()
    {
        QTest::addColumn<bool>("showReadOnly");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("node");
        // Afterwards a read-only token sits where the edited one was.
        QTest::newRow("read-only token in its place") << true << 1 << QStringLiteral("Read-only");
        // Afterwards the list is shorter than the edited item's position.
        QTest::newRow("shorter list") << false << 6 << QStringLiteral("Menu");
        QTest::newRow("same filter node kept") << false << 3 << QStringLiteral("by type");
    }

    // Point 1: F2, typing, then a click on a node of the tree while the editor is open.
    void anInPlaceEditReachesItsOwnTokenWhenATreeNodeIsClicked()
    {
        QFETCH(bool, showReadOnly);
        QFETCH(int, row);
        QFETCH(QString, node);
        auto w = openedWindow(showReadOnly);
        QVERIFY(w);
        const QByteArray before = readFile(path(QStringLiteral("fr.tok")));
        clickRow(*w, row);
        const std::string statusBefore = status(*w, row);
        QLineEdit *editor = editWithF2();
        QVERIFY(editor);
        typeOver(editor, QStringLiteral("Edited"));
        clickNode(*w, node);
        runQueued();
        QTRY_COMPARE(text(*w, row), std::string("Edited"));
        QCOMPARE(status(*w, row), std::string("4"));
        QVERIFY(saveEnabled(*w));
        // Every other token is as it was read.
        for (std::size_t other = 1; other <= 6; ++other) {
            if (other == static_cast<std::size_t>(row))
                continue;
            const QList<QByteArray> lines = before.split('\n');
            const QByteArray line = lines.at(static_cast<int>(other) - 1).chopped(1);
            QCOMPARE(QByteArray::fromStdString(text(*w, other)), line.mid(line.indexOf("]]=") + 3));
        }
        QCOMPARE(status(*w, 2), std::string("3"));
        QCOMPARE(status(*w, 4), std::string("6"));
        Q_UNUSED(statusBefore);
        // No editor is left open.
        int openEditors = 0;
        for (QLineEdit *e : list(*w)->findChildren<QLineEdit *>())
            openEditors += e->isVisible() ? 1 : 0;
        QCOMPARE(openEditors, 0);
    }

    // Point 2: texts longer than 32,767 characters survive both boxes and the
    // in-place editor; an untouched text is no new text.
    void longTextsAreNeverCut()
    {
        const QByteArray longMaster = QByteArray(40000, 'm') + "\xE9";
        const QByteArray longText = QByteArray(40000, 'x') + "\xE9";
        QByteArray masterTokens = kMasterTokens;
        masterTokens.replace("=&File", QByteArray("=" + longMaster));
        writeFile(path(QStringLiteral("demo.tok")), masterTokens);
        QByteArray projectTokens = kProjectTokens;
        projectTokens.replace("=&File", QByteArray("=" + longText));
        projectTokens.replace("=Pr\xEAt", QByteArray("=" + longText));
        writeFile(path(QStringLiteral("fr.tok")), projectTokens);
        auto w = openedWindow();
        QVERIFY(w);

        clickRow(*w, 1); // status 1: nothing changes on selecting it
        QCOMPARE(master(*w)->text().size(), 40001);
        QCOMPARE(box(*w)->text().size(), 40001);
        QVERIFY(!saveEnabled(*w));

        // F2 then Enter without a change commits nothing.
        QLineEdit *editor = editWithF2();
        QVERIFY(editor);
        QCOMPARE(editor->text().size(), 40001);
        QTest::keyClick(editor, Qt::Key_Return);
        runQueued();
        QCOMPARE(QByteArray::fromStdString(text(*w, 1)), longText);
        QCOMPARE(status(*w, 1), std::string("1"));
        QVERIFY(!saveEnabled(*w));
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w))); // Enter went on to the box

        // A change at the end of the long text keeps all of it.
        QTest::keyClick(focused(), Qt::Key_Escape);
        editor = editWithF2();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("!"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(QByteArray::fromStdString(text(*w, 1)), longText + "!");
        QCOMPARE(status(*w, 1), std::string("4"));

        // Enter in the translation box stores the long text whole.
        clickRow(*w, 3);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), box(*w));
        QTest::keyClick(focused(), Qt::Key_End);
        QTest::keyClicks(focused(), QStringLiteral("?"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(QByteArray::fromStdString(text(*w, 3)), longText + "?");
        QCOMPARE(status(*w, 3), std::string("4"));
        fileMenu(*w, Qt::Key_S);
        QVERIFY(readFile(path(QStringLiteral("fr.tok"))).contains(QByteArray("=" + longText + "?\r\n")));
    }

    // Point 3: Enter commits the in-place edit and does nothing else; the pane
    // never offers a text older than the stored one.
    void enterInTheInPlaceEditorOnlyCommits()
    {
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 1);
        QLineEdit *editor = editWithF2();
        QVERIFY(editor);
        typeOver(editor, QStringLiteral("Fichier"));
        QTest::keyClick(editor, Qt::Key_Return);
        runQueued();
        QTRY_COMPARE(text(*w, 1), std::string("Fichier"));
        QCOMPARE(status(*w, 1), std::string("4"));
        QCOMPARE(focused(), static_cast<QWidget *>(list(*w)));
        QVERIFY(box(*w)->text() == QStringLiteral("Fichier") || box(*w)->text().isEmpty());

        // A double press: the second Enter reaches the list, which goes to the box;
        // a third commits what the box shows, which is the stored text.
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_Return);
        runQueued();
        QCOMPARE(text(*w, 1), std::string("Fichier"));
    }

    void mouseAndKeysSelectAlike_data()
    {
        QTest::addColumn<bool>("mouse");
        QTest::newRow("mouse") << true;
        QTest::newRow("keys") << false;
    }

    // Point 4: selecting a token rewrites its status through the Translated box
    // and enables "&Save", whether the mouse or the keys select it.
    void mouseAndKeysSelectAlike()
    {
        QFETCH(bool, mouse);
        writeFile(path(QStringLiteral("fr.tok")), "[[4|1|1|0|1|]]=z\r\n[[4|1|1|0|0|]]=a\r\n[[4|1|2|0|5|]]=b\r\n"
                                                  "[[4|1|3|0|2|]]=c\r\n");
        auto w = openedWindow(true);
        QVERIFY(w);
        clickRow(*w, 1); // status 1: the box stays unchecked, nothing changes
        QCOMPARE(status(*w, 1), std::string("1"));
        QVERIFY(!saveEnabled(*w));
        auto next = [&](std::size_t row) {
            if (mouse)
                clickRow(*w, row);
            else
                QTest::keyClick(focused(), Qt::Key_Down);
            QCOMPARE(selectedRow(*w), row);
        };
        next(2); // unchecked before: 0 becomes 4
        QCOMPARE(status(*w, 2), std::string("4"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(1, 1)).toString(), QStringLiteral("Translated"));
        QVERIFY(saveEnabled(*w));
        next(3); // checked before: 5 becomes 1
        QCOMPARE(status(*w, 3), std::string("1"));
        next(4); // unchecked before: 2 becomes 6
        QCOMPARE(status(*w, 4), std::string("6"));
        QVERIFY(child<QCheckBox>(*w, "chkTrans")->isChecked());
    }

    // Point 5: the pane shows only the token the handlers write: Tab into the
    // list selects the token it shows; with no token selected it shows none.
    void thePaneShowsOnlyTheSelectedToken()
    {
        auto w = openedWindow();
        QVERIFY(w);
        tree(*w)->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(w.get(), Qt::Key_Tab);
        QCOMPARE(focused(), static_cast<QWidget *>(list(*w)));
        QCOMPARE(selectedRow(*w), std::size_t(1));
        QCOMPARE(master(*w)->text(), QStringLiteral("&File"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w)));
        QTest::keyClicks(focused(), QStringLiteral("Fichier"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(text(*w, 1), std::string("Fichier"));
        QCOMPARE(status(*w, 1), std::string("4"));
        QVERIFY(saveEnabled(*w));
        QCOMPARE(focused(), static_cast<QWidget *>(list(*w)));

        // Ctrl+Space takes the selection away: the pane goes empty, and Enter in
        // the box stores nothing.
        clickRow(*w, 3);
        QCOMPARE(box(*w)->text(), QStringLiteral("Pr\u00EAt"));
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(selectedRow(*w), std::size_t(0));
        QVERIFY(box(*w)->text().isEmpty());
        QVERIFY(master(*w)->text().isEmpty());
        box(*w)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(focused(), QStringLiteral("lost"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(text(*w, 3), std::string("Pr\xEAt"));
        QCOMPARE(m_desktop->errors, QStringList());
    }

    // The list's keys move through the rows only: Home and End reach the first
    // and the last token, left and right scroll, and the current item stays in
    // the token column, so F2 still edits the token's text. Tab leaves the list.
    void theListsKeysMoveThroughRowsOnly()
    {
        auto w = openedWindow();
        QVERIFY(w);
        TokenListView *view = list(*w);
        const int last = w->tokenList()->rowCount() - 1;
        QVERIFY(last > 2);
        clickRow(*w, 1);
        QCOMPARE(focused(), static_cast<QWidget *>(view));

        key(Qt::Key_End);
        QCOMPARE(view->currentIndex().row(), last);
        QCOMPARE(view->currentIndex().column(), 0);
        QCOMPARE(selectedRow(*w), w->tokenList()->tableRow(last));
        key(Qt::Key_Home);
        QCOMPARE(view->currentIndex().row(), 0);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        QCOMPARE(selectedRow(*w), w->tokenList()->tableRow(2));

        // Columns wider than the list: right scrolls it, and nothing else moves.
        view->setColumnWidth(TokenListModel::TokenColumn, view->viewport()->width() * 2);
        const int scrolled = view->horizontalScrollBar()->value();
        key(Qt::Key_Right);
        QVERIFY(view->horizontalScrollBar()->value() > scrolled);
        QCOMPARE(view->currentIndex().column(), 0);
        QCOMPARE(selectedRow(*w), w->tokenList()->tableRow(2));
        key(Qt::Key_Left);
        QCOMPARE(view->horizontalScrollBar()->value(), scrolled);
        QCOMPARE(view->currentIndex().column(), 0);

        const std::size_t row = w->tokenList()->tableRow(2);
        key(Qt::Key_F2);
        QVERIFY(view->isEditing());
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QStringLiteral("Pret"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(text(*w, row), std::string("Pret"));

        // One line of text per row, as in any report list.
        const int line = view->fontMetrics().height();
        QVERIFY(view->rowHeight(0) >= line && view->rowHeight(0) < 2 * line);
        QCOMPARE(view->rowHeight(last), view->rowHeight(0));

        QTest::keyClick(focused(), Qt::Key_Tab);
        QVERIFY(focused() != view);
        QCOMPARE(m_desktop->errors, QStringList());
    }

    // Tab in the in-place editor commits its text and goes on to edit the next
    // token's; Shift+Tab to the previous one's. Each text lands on its own token,
    // and a read-only token is selected, not edited.
    void tabInTheInPlaceEditorGoesOnToTheNextToken()
    {
        auto w = openedWindow();
        QVERIFY(w);
        TokenListView *view = list(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 6}));
        clickRow(*w, 3);
        key(Qt::Key_F2);
        QVERIFY(view->isEditing());
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QStringLiteral("Un"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(text(*w, 3), std::string("Un"));
        QVERIFY(view->isEditing());
        QCOMPARE(selectedRow(*w), std::size_t(6));
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QStringLiteral("Deux"));
        QTest::keyClick(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(text(*w, 6), std::string("Deux"));
        QVERIFY(view->isEditing());
        QCOMPARE(selectedRow(*w), std::size_t(3));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QCOMPARE(text(*w, 3), std::string("Un"));

        // Row 2 is read-only: Tab from row 1 selects it and edits nothing.
        clickRow(*w, 1);
        key(Qt::Key_F2);
        QVERIFY(view->isEditing());
        QTest::keyClicks(focused(), QStringLiteral("x"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QVERIFY(!view->isEditing());
        QCOMPARE(selectedRow(*w), std::size_t(2));
        QCOMPARE(text(*w, 2), std::string("&Ouvrir..."));
        QCOMPARE(m_desktop->errors, QStringList());
    }

    // A click on another column of a row selects the row without scrolling the
    // list sideways.
    void aClickOnAnotherColumnDoesNotScrollSideways()
    {
        auto w = openedWindow();
        QVERIFY(w);
        TokenListView *view = list(*w);
        view->setColumnWidth(TokenListModel::TokenColumn, view->viewport()->width() - 20);
        QCOMPARE(view->horizontalScrollBar()->value(), 0);
        const QModelIndex status = w->tokenList()->index(2, TokenListModel::StatusColumn);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(view->viewport()->width() - 10,
                                                                      view->visualRect(status).center().y()));
        QCOMPARE(selectedRow(*w), w->tokenList()->tableRow(2));
        QCOMPARE(view->horizontalScrollBar()->value(), 0);
    }

    // A list built anew (another filter, the find box emptied) shows its first
    // token, wherever the list before was scrolled, and Home then selects it.
    void aNewListShowsItsFirstToken()
    {
        auto w = openedWindow();
        QVERIFY(w);
        TokenListView *view = list(*w);
        view->resize(view->width(), view->rowHeight(0) * 4);
        clickRow(*w, 1);
        key(Qt::Key_End);
        QVERIFY(view->verticalScrollBar()->value() > 0);
        toggleReadOnlyShown(*w);
        QCOMPARE(view->verticalScrollBar()->value(), 0);
        view->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Home);
        QCOMPARE(selectedRow(*w), w->tokenList()->tableRow(0));
        QVERIFY(view->visualRect(view->currentIndex()).top() >= 0);
    }

    // Point 6: Escape after typing, then a click on the same token: the pane
    // shows its stored text again.
    void clickingTheSelectedTokenReloadsThePane()
    {
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 3);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w)));
        typeOver(focused(), QStringLiteral("typed"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QCOMPARE(focused(), static_cast<QWidget *>(list(*w)));
        QCOMPARE(box(*w)->text(), QStringLiteral("typed"));
        QCOMPARE(text(*w, 3), std::string("Pr\xEAt"));
        clickRow(*w, 3);
        QCOMPARE(box(*w)->text(), QStringLiteral("Pr\u00EAt"));
        QCOMPARE(selectedRow(*w), std::size_t(3));
        // Enter stores the stored text again, unchanged.
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(text(*w, 3), std::string("Pr\xEAt"));
    }

    void aSlowSecondClickThenEnterOrEscapeChangesNothing_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("Enter goes on to the box") << true;
        QTest::newRow("Escape") << false;
    }

    // The first day's trap: the token just marked non-translated is clicked
    // again, the in-place editor opens after the double-click time, and a key
    // closes it unchanged. Nothing changes; after Enter the typing lands in the
    // box and Ctrl+Enter commits what was typed, not the old text.
    void aSlowSecondClickThenEnterOrEscapeChangesNothing()
    {
        QFETCH(bool, enter);
        auto w = openedWindow();
        QVERIFY(w);
        auto *translated = child<QCheckBox>(*w, "chkTrans");
        clickRow(*w, 3); // "Prêt", status 4
        QTest::mouseClick(translated, Qt::LeftButton, {}, QPoint(5, translated->height() / 2));
        QCOMPARE(status(*w, 3), std::string("1"));
        clickRow(*w, 3);
        QTRY_VERIFY(list(*w)->isEditing()); // opened once the double-click time is over
        QTest::keyClick(focused(), enter ? Qt::Key_Return : Qt::Key_Escape);
        QCOMPARE(status(*w, 3), std::string("1"));
        QCOMPARE(text(*w, 3), std::string("Pr\xEAt"));
        QVERIFY(!translated->isChecked());
        QCOMPARE(box(*w)->text(), QStringLiteral("Pr\u00EAt"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 3), 1)).toString(),
                 QStringLiteral("Non-translated"));
        if (!enter) {
            QCOMPARE(focused(), static_cast<QWidget *>(list(*w)));
            return;
        }
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w)));
        QTest::keyClicks(focused(), QStringLiteral("Pret"));
        QTest::keyClick(focused(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(text(*w, 3), std::string("Pret"));
        QCOMPARE(status(*w, 3), std::string("4"));
    }

    // Page Up and Page Down in the translation box go to the previous and next
    // token, storing nothing, the box keeping the focus with its text selected.
    void pageKeysInTheBoxMoveThroughTheList()
    {
        auto w = openedWindow();
        QVERIFY(w);
        // Rows 1, 3 and 6 can be typed in; row 2 between them is read-only.
        const QList<int> rows = listedRows(*w);
        QCOMPARE(rows.mid(0, 4), (QList<int>{1, 2, 3, 6}));
        clickRow(*w, rows[0]);
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClicks(focused(), QStringLiteral("not stored"));
        QTest::keyClick(focused(), Qt::Key_PageDown);
        QCOMPARE(selectedRow(*w), std::size_t(2));
        QCOMPARE(text(*w, 1), std::string("&File"));
        QCOMPARE(focused(), static_cast<QWidget *>(list(*w))); // a read-only token: its box is off
        clickRow(*w, 3);
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_PageDown);
        QCOMPARE(selectedRow(*w), std::size_t(6));
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w)));
        QCOMPARE(box(*w)->selectedText(), box(*w)->text());
        QTest::keyClick(focused(), Qt::Key_PageUp);
        QCOMPARE(selectedRow(*w), std::size_t(3));
        clickRow(*w, 1);
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_PageUp); // the first stays
        QCOMPARE(selectedRow(*w), std::size_t(1));
        QCOMPARE(focused(), static_cast<QWidget *>(box(*w)));
        QCOMPARE(box(*w)->text(), QStringLiteral("&File"));
        QCOMPARE(text(*w, 1), std::string("&File")); // what was typed went with the selection
        QCOMPARE(text(*w, 3), std::string("Pr\xEAt"));
    }

    void theColumnMenuFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }

    // The header takes no focus: the menu that hides and shows its columns opens
    // from the list, and "&Options" holds it too.
    void theColumnMenuFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 1);
        QMenu *menu = w->listColumns()->contextMenu();
        QTest::keyClick(focused(), static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return); // "Check": hidden
        QTRY_VERIFY(!menu->isVisible());
        QVERIFY(list(*w)->horizontalHeader()->isSectionHidden(TokenListModel::CheckColumnIndex));
        bool inOptions = false;
        for (QMenu *m : w->findChildren<QMenu *>()) {
            for (QAction *a : m->actions())
                inOptions = inOptions || (a->menu() == menu && a->text() == QStringLiteral("Co&lumns"));
        }
        QVERIFY(inOptions);
    }

    // Point 7: a tab or a CR read from the file does not stop a commit; only one
    // the user adds is refused.
    void tabsAndLineEndsReadFromTheFile()
    {
        writeFile(path(QStringLiteral("fr.tok")), "[[4|1|1|0|1|]]=a\tb\r\n[[4|1|2|0|1|]]=c\rd\r\n"
                                                  "[[4|1|3|0|1|]]=plain\r\n");
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 1);
        QCOMPARE(box(*w)->text(), QStringLiteral("a\tb"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_Return); // unchanged: commits
        QCOMPARE(m_desktop->errors, QStringList());
        QCOMPARE(text(*w, 1), std::string("a\tb"));
        QCOMPARE(status(*w, 1), std::string("4"));

        clickRow(*w, 2);
        QLineEdit *editor = editWithF2();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("c\rd"));
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("e"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(text(*w, 2), std::string("c\rde"));
        QCOMPARE(m_desktop->errors, QStringList());

        // A tab pasted in is refused, with a message; the text stays in the box.
        clickRow(*w, 3);
        QTest::keyClick(focused(), Qt::Key_Return);
        QApplication::clipboard()->setText(QStringLiteral("x\ty"));
        QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("x\ty"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(m_desktop->errors.size(), 1);
        QCOMPARE(text(*w, 3), std::string("plain"));
        QCOMPARE(box(*w)->text(), QStringLiteral("x\ty"));
    }

    // Every change of a token reaches the window's one place for changes, once:
    // what an undo history, a journal or the checks listen to.
    void everyChangeGoesThroughOnePlace()
    {
        QByteArray tokens = kProjectTokens;
        tokens.replace("[[4|1|1|0|1|]]", "[[4|1|1|0|01|]]"); // rewritten plain when listed
        writeFile(path(QStringLiteral("fr.tok")), tokens);
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        QSignalSpy spy(&w->document(), &quenlit::ProjectDocument::tokenChanged);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->OpenProject(path(QStringLiteral("fr.prj")));
        auto take = [&spy] {
            QList<QPair<qulonglong, bool>> changes;
            for (const QList<QVariant> &args : spy)
                changes << qMakePair(static_cast<qulonglong>(args.at(0).value<std::size_t>()), args.at(1).toBool());
            spy.clear();
            return changes;
        };
        using Changes = QList<QPair<qulonglong, bool>>;
        QCOMPARE(take(), (Changes{{1, false}}));
        QCOMPARE(status(*w, 1), std::string("1"));

        clickRow(*w, 6); // status 0 with the box unchecked: becomes 4
        QCOMPARE(take(), (Changes{{6, false}}));
        clickRow(*w, 1); // the box was checked: the handler rewrites status 1
        QCOMPARE(take(), (Changes{{1, false}}));
        QLineEdit *editor = editWithF2();
        QVERIFY(editor);
        typeOver(editor, QStringLiteral("Fichier"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(take(), (Changes{{1, true}}));
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(take(), (Changes{{1, true}}));
        // The box still shows the state loaded with the token (unchecked): a click checks it.
        child<QCheckBox>(*w, "chkTrans")->click();
        QCOMPARE(take(), (Changes{{1, false}}));
        QCOMPARE(status(*w, 1), std::string("4"));

        // A text refused in the in-place editor changes nothing and is told once
        // the editor has closed.
        editor = editWithF2();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        editor->insert(QStringLiteral("a\tb"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_desktop->errors.size(), 1);
        QCOMPARE(take(), Changes{});
        QCOMPARE(text(*w, 1), std::string("Fichier"));
    }

    // Point 14: the tree keeps its width and its names are whole: it scrolls
    // sideways, and each node tells its name in a tooltip.
    void filterNamesAreWhole()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTreeWidget *t = tree(*w);
        QCOMPARE(t->width(), 106);
        QVERIFY(t->horizontalScrollBar()->maximum() > 0);
        int nodes = 0;
        for (QTreeWidgetItemIterator it(t); *it; ++it, ++nodes) {
            QVERIFY((*it)->toolTip(0).startsWith((*it)->text(0)));
            // The item's cell holds its whole text.
            const int needed = t->fontMetrics().horizontalAdvance((*it)->text(0)) + 4;
            QVERIFY2(t->visualItemRect(*it).width() >= needed, qPrintable((*it)->text(0)));
        }
        QCOMPARE(nodes, 11);
    }
};

QTEST_MAIN(EditingTest)
#include "editing_test.moc"
