// The checks in the editor window, driven as a user drives it: the "Check"
// column, its tooltip, the pane's line and the suggestion keys.

#include "window/checks/checkpane.h"
#include "window/checks/editorchecks.h"
#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/checks/fillpreview.h"
#include "window/preview/resourcepreviewer.h"
#include "window/find/findbar.h"
#include "window/tokenlistmodel.h"
#include "window/translatorflow.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace quenlit;

using quenlit::FrmPrinc;

namespace {

const QByteArray kMasterTokens = "[[4|1|0|0|1|]]=&File\r\n"
                                 "[[4|1|101|1|1|]]=&Open...\\tCtrl+O\r\n"
                                 "[[5|100|1|1|1|]]=&Save file\r\n"
                                 "[[5|100|2|2|1|]]=&Cancel\r\n"
                                 "[[6|1|1|0|1|]]=Name:\r\n"
                                 "[[6|1|2|1|1|]]=&Save\r\n"
                                 "[[6|1|3|2|1|]]=&Save\r\n"
                                 "[[6|1|4|3|1|]]=&Save\r\n"
                                 "[[6|1|5|4|1|]]=Save:\r\n"
                                 "[[6|1|6|5|1|]]=&Save\r\n";
// Row 1 lost its access key, row 2 its shortcut; rows 3 and 4 clash; row 5 is
// fine; rows 6 and 7 are translated twins of row 8 and its similar row 9, which
// need work; row 10, a twin too, is read-only.
const QByteArray kProjectTokens = "[[4|1|0|0|4|]]=Fichier\r\n"
                                  "[[4|1|101|1|4|]]=&Ouvrir...\r\n"
                                  "[[5|100|1|1|4|]]=&Enregistrer\r\n"
                                  "[[5|100|2|2|4|]]=&Effacer\r\n"
                                  "[[6|1|1|0|4|]]=Nom :\r\n"
                                  "[[6|1|2|1|4|]]=&Enregistrer\r\n"
                                  "[[6|1|3|2|4|]]=&Enregistrer\r\n"
                                  "[[6|1|4|3|1|]]=&Save\r\n"
                                  "[[6|1|5|4|1|]]=Save:\r\n"
                                  "[[6|1|6|5|3|]]=&Save\r\n";

} // namespace

class ChecksWindowTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

    static CheckPane *paneLine(FrmPrinc &w) { return child<CheckPane>(w, "lbCheck"); }

    static QString checkText(FrmPrinc &w, std::size_t row)
    {
        const int item = w.tokenList()->itemOfRow(row);
        return w.tokenList()->index(item, TokenListModel::CheckColumnIndex).data().toString();
    }
    static QString checkTip(FrmPrinc &w, std::size_t row)
    {
        const int item = w.tokenList()->itemOfRow(row);
        return w.tokenList()->index(item, TokenListModel::CheckColumnIndex).data(Qt::ToolTipRole).toString();
    }

    static bool checksDone(FrmPrinc &w) { return w.checks()->runner().checksDone(); }

    static void clickNode(FrmPrinc &w, const QString &text)
    {
        auto *tree = child<QTreeWidget>(w, "tvTyp");
        const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!found.isEmpty());
        for (QTreeWidgetItem *p = found.front()->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree->scrollToItem(found.front());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.front()).center());
        QCOMPARE(tree->currentItem(), found.front());
    }

    static int selectedRow(FrmPrinc &w)
    {
        const QModelIndexList selected = list(w)->selectionModel()->selectedRows();
        return selected.isEmpty() ? 0 : static_cast<int>(w.tokenList()->tableRow(selected.front().row()));
    }
    static QString counts(FrmPrinc &w) { return child<QLabel>(w, "lbCheckCounts")->text(); }
    static QString message(FrmPrinc &w) { return w.statusBar()->currentMessage(); }
    static void waitForList(FrmPrinc &w)
    {
        QTRY_VERIFY(!w.flow()->narrowingPending());
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

    // "Check" comes fourth; the three columns before it keep their order, headers and widths.
    void checkColumnAfterTheOthers()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QAbstractItemModelTester tester(w->tokenList());
        const QStringList headers = {QStringLiteral("Token"), QStringLiteral("Status"), QStringLiteral("Type"),
                                     QStringLiteral("Check")};
        QCOMPARE(w->tokenList()->columnCount(), 5); // "Original" comes after it
        for (int i = 0; i < 4; ++i)
            QCOMPARE(w->tokenList()->headerData(i, Qt::Horizontal).toString(), headers[i]);
        const double pixelsPerTwip = w->logicalDpiX() / 1440.0;
        QCOMPARE(list(*w)->columnWidth(0), qRound(5000 * pixelsPerTwip));
        QCOMPARE(list(*w)->columnWidth(1), qRound(2000 * pixelsPerTwip));
        QCOMPARE(list(*w)->columnWidth(2), qRound(1440 * pixelsPerTwip));
    }

    // The list is there before the checks; the column fills in from the event loop.
    void columnFillsInAfterTheList()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QCOMPARE(w->tokenList()->rowCount(), 10);
        QVERIFY(!checksDone(*w));
        QCOMPARE(checkText(*w, 1), QString());
        QTRY_VERIFY(checksDone(*w));
        QCOMPARE(checkText(*w, 1), QStringLiteral("accelerator"));
        QCOMPARE(checkText(*w, 2), QStringLiteral("shortcut, escape"));
        QCOMPARE(checkText(*w, 3), QStringLiteral("accelerator-clash"));
        QCOMPARE(checkText(*w, 4), QStringLiteral("accelerator-clash"));
        QCOMPARE(checkText(*w, 5), QString());
        QCOMPARE(checkText(*w, 8), QString()); // not translated: not checked
        QCOMPARE(checkTip(*w, 1),
                 QStringLiteral("error: [accelerator] the original has one access key (\"F\"), the translation none"));
        QVERIFY(checkTip(*w, 3).contains(QStringLiteral("\"&Effacer\"")));
        QCOMPARE(w->checks()->listCounts().errors, std::size_t(3));
        QCOMPARE(w->checks()->listCounts().warnings, std::size_t(2));
    }

    // The pane's line shows the selected token's messages while it is selected;
    // for a menu token, also that its access keys go unchecked when the source
    // file gives no menus.
    void paneShowsTheSelectedTokensMessages_data()
    {
        QTest::addColumn<QByteArray>("sourceFile");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("the source file is missing.");
        QTest::newRow("damaged") << QByteArray("MZ not a program")
                                 << QStringLiteral("the source file is neither a PE image nor a .res file");
    }

    void paneShowsTheSelectedTokensMessages()
    {
        QFETCH(QByteArray, sourceFile);
        QFETCH(QString, why);
        if (!sourceFile.isEmpty())
            writeFile(path(QStringLiteral("demo.dll")), sourceFile);
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(w->preview()->loader().waitForLoaded(10000));
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 2);
        const QStringList messages = paneLine(*w)->messages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.mid(0, 2),
                 QStringList({QStringLiteral("error: [shortcut] the shortcut \"Ctrl+O\" of the original is missing"),
                              QStringLiteral("error: [escape] \\t: 1 in the original, 0 in the translation")}));
        QVERIFY2(messages[2].startsWith(QStringLiteral("Access keys of menus are not checked: ") + why), qPrintable(messages[2]));
        QVERIFY(paneLine(*w)->toolTip().contains(QStringLiteral("[escape]")));
        QVERIFY(paneLine(*w)->isVisible());
        clickRow(*w, 5);
        QVERIFY(paneLine(*w)->text().isEmpty());
        clickRow(*w, 1);
        QVERIFY(paneLine(*w)->text().startsWith(QStringLiteral("error: [accelerator]")));
    }

    // A commit from the translation box is checked at once, with the token's dialog.
    void checksFollowACommitAtOnce()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 3);
        QTest::keyClick(list(*w), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QTest::keyClicks(box(*w), QStringLiteral("Enre&gistrer"));
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(w->document().projectTable().cellText(3, 0), std::string("Enre&gistrer"));
        QCOMPARE(checkText(*w, 3), QString());
        QCOMPARE(checkText(*w, 4), QString()); // its clash partner too
        QCOMPARE(w->checks()->listCounts().warnings, std::size_t(0));
        // And back: the access key lost.
        clickRow(*w, 3);
        QTest::keyClick(list(*w), Qt::Key_Return);
        QTest::keyClicks(box(*w), QStringLiteral("Enregistrer"));
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(checkText(*w, 3), QStringLiteral("accelerator"));
        QVERIFY(paneLine(*w)->text().startsWith(QStringLiteral("error: [accelerator]")));
        QCOMPARE(w->checks()->listCounts().errors, std::size_t(4));
    }

    // Ctrl+1 puts the most frequent twin's translation in the box; Enter stores it.
    void suggestionKeys()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(w->checks()->runner().suggestionsReady());
        clickRow(*w, 8);
        QCOMPARE(paneLine(*w)->suggestions(), QStringList({QStringLiteral("&Enregistrer")}));
        QVERIFY(paneLine(*w)->text().contains(QStringLiteral("Suggestion: &Enregistrer (Ctrl+1)")));
        QTest::keyClick(list(*w), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QCOMPARE(box(*w)->text(), QStringLiteral("&Enregistrer"));
        QCOMPARE(w->document().projectTable().cellText(8, 0), std::string("&Save")); // nothing stored yet
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(w->document().projectTable().cellText(8, 0), std::string("&Enregistrer"));
        QCOMPARE(w->document().projectTable().cellText(8, 5), std::string("4"));
        // The similar master "Save:" gets the ending of its own master and no key.
        clickRow(*w, 9);
        QCOMPARE(paneLine(*w)->suggestions(), QStringList({QStringLiteral("Enregistrer:")}));
        QTest::keyClick(list(*w), Qt::Key_2, Qt::ControlModifier); // no second suggestion
        QCOMPARE(box(*w)->text(), QStringLiteral("Save:"));
        QTest::keyClick(list(*w), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("Enregistrer:"));
        // A translated token is offered nothing.
        clickRow(*w, 5);
        QVERIFY(paneLine(*w)->suggestions().isEmpty());
    }

    // F8 and Shift+F8 go round the listed tokens for which a check fires, from
    // the list or from the translation box, which keeps the focus.
    void nextAndPreviousProblem()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 5);
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 1); // after the last problem, from the top
        QVERIFY(message(*w).contains(QStringLiteral("top of the list")));
        QCOMPARE(QApplication::focusWidget(), list(*w));
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 2);
        QVERIFY(paneLine(*w)->text().startsWith(QStringLiteral("error: [shortcut]")));
        key(Qt::Key_F8);
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 4);
        key(Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(selectedRow(*w), 3);
        key(Qt::Key_F8, Qt::ShiftModifier);
        key(Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(selectedRow(*w), 1);
        key(Qt::Key_F8, Qt::ShiftModifier); // before the first: from the bottom
        QCOMPARE(selectedRow(*w), 4);
        QVERIFY(message(*w).contains(QStringLiteral("bottom of the list")));
        // From the box, with a text typed and not committed: the next problem, in the box.
        clickRow(*w, 2);
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QTest::keyClicks(box(*w), QStringLiteral("pas garde"));
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 3);
        QCOMPARE(QApplication::focusWidget(), box(*w));
        QCOMPARE(box(*w)->text(), QStringLiteral("&Enregistrer"));
        QCOMPARE(w->document().projectTable().cellText(2, 0), std::string("&Ouvrir...")); // nothing stored
        // Fixed in the box, it is no problem any more: F8 passes it by.
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("Enre&gistrer"));
        key(Qt::Key_Return);
        clickRow(*w, 2);
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 1); // rows 3 and 4 no longer clash
        // In a list narrowed to a dialog without problems, none.
        clickNode(*w, QStringLiteral("Dialog"));
        QCOMPARE(listedRows(*w), (QList<int>{3, 4}));
        clickRow(*w, 4);
        key(Qt::Key_F8);
        QCOMPARE(selectedRow(*w), 4);
        QVERIFY(message(*w).contains(QStringLiteral("No listed token has a problem")));
    }

    // "Show only tokens with problems" narrows the current list as the find box
    // does, with it; off, the whole list is back.
    void problemsOnlyNarrowsTheList()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        QAction *only = child<QAction>(*w, "mnuProblemsOnly");
        QVERIFY(only && only->isCheckable() && !only->isChecked());
        only->trigger();
        QVERIFY(only->isChecked());
        waitForList(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4}));
        QCOMPARE(counts(*w), QStringLiteral("3 errors, 2 warnings"));
        // With the find box: both narrow.
        QTest::keyClick(list(*w), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("enr"));
        waitForList(*w);
        QCOMPARE(listedRows(*w), (QList<int>{3}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        waitForList(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4}));
        // A token fixed stays listed while the user is on it.
        clickRow(*w, 1);
        key(Qt::Key_Return);
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("&Fichier"));
        key(Qt::Key_Return);
        QCOMPARE(checkText(*w, 1), QString());
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4}));
        // A filter chosen in the tree is narrowed too.
        clickNode(*w, QStringLiteral("Menu"));
        QCOMPARE(listedRows(*w), (QList<int>{2}));
        only->trigger();
        waitForList(*w);
        QCOMPARE(listedRows(*w), (QList<int>{1, 2}));
        clickNode(*w, QStringLiteral("All tokens"));
        QCOMPARE(w->tokenList()->rowCount(), 10);
    }

    // A project opened with the option on is listed once its checks are known.
    void problemsOnlyOnOpening()
    {
        auto w = openedWindow();
        QVERIFY(w);
        child<QAction>(*w, "mnuProblemsOnly")->trigger();
        w->OpenProject(path(QStringLiteral("fr.prj")));
        QVERIFY(!checksDone(*w));
        QTRY_COMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4}));
        QVERIFY(!w->flow()->narrowingPending());
    }

    // The status bar counts the errors and warnings of the listed tokens.
    void statusBarCounts()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(counts(*w).endsWith(QStringLiteral("(checking)")));
        QTRY_COMPARE(counts(*w), QStringLiteral("3 errors, 2 warnings"));
        QVERIFY(child<QLabel>(*w, "lbCheckCounts")->isVisible());
        clickNode(*w, QStringLiteral("Dialog"));
        QCOMPARE(counts(*w), QStringLiteral("0 errors, 2 warnings"));
        clickNode(*w, QStringLiteral("Menu"));
        QCOMPARE(counts(*w), QStringLiteral("3 errors, 0 warnings"));
        // A fix counts at once.
        clickRow(*w, 1);
        key(Qt::Key_Return);
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("&Fichier"));
        key(Qt::Key_Return);
        QCOMPARE(counts(*w), QStringLiteral("2 errors, 0 warnings"));
        fileMenu(*w, Qt::Key_C);
        QCOMPARE(counts(*w), QString());
    }

    // "Fill identical texts...": the preview lists the tokens that need work and
    // have a translated twin (never a read-only one); the rows left checked are
    // filled, translated, and one Ctrl+Z takes them all back byte for byte.
    void fillIdenticalTexts()
    {
        auto w = openedWindow();
        QVERIFY(w);
        const QByteArray before = readFile(path(QStringLiteral("fr.tok")));
        child<QAction>(*w, "mnuFillIdentical")->trigger();
        FillPreviewDialog *preview = nullptr;
        QTRY_VERIFY((preview = w->findChild<FillPreviewDialog *>()) && preview->isVisible());
        QCOMPARE(preview->model()->size(), std::size_t(2));
        QCOMPARE(preview->model()->data(preview->model()->index(0, FillPreviewModel::ProposedColumn)).toString(),
                 QStringLiteral("&Enregistrer"));
        QCOMPARE(preview->model()->data(preview->model()->index(1, FillPreviewModel::ProposedColumn)).toString(),
                 QStringLiteral("Enregistrer:"));
        // Both filled.
        QTRY_VERIFY(preview->view()->hasFocus());
        QPushButton *fill = preview->findChild<QPushButton *>(QStringLiteral("btFill"));
        QTest::mouseClick(fill, Qt::LeftButton);
        QTRY_VERIFY(!w->findChild<FillPreviewDialog *>());
        QCOMPARE(w->document().projectTable().cellText(8, 0), std::string("&Enregistrer"));
        QCOMPARE(w->document().projectTable().cellText(8, 5), std::string("4"));
        QCOMPARE(w->document().projectTable().cellText(9, 0), std::string("Enregistrer:"));
        QCOMPARE(w->document().projectTable().cellText(9, 5), std::string("4"));
        QCOMPARE(w->document().projectTable().cellText(10, 0), std::string("&Save")); // read-only
        QCOMPARE(w->document().projectTable().cellText(10, 5), std::string("3"));
        QVERIFY(message(*w).contains(QStringLiteral("2 token(s) filled")));
        QVERIFY(child<QAction>(*w, "mnuSave")->isEnabled());
        // Filled tokens are checked like typed ones.
        QCOMPARE(checkText(*w, 8), QString());
        // One step back.
        clickRow(*w, 5);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->document().projectTable().cellText(8, 0), std::string("&Save"));
        QCOMPARE(w->document().projectTable().cellText(8, 5), std::string("1"));
        QCOMPARE(w->document().projectTable().cellText(9, 0), std::string("Save:"));
        QCOMPARE(w->document().projectTable().cellText(9, 5), std::string("1"));
        QVERIFY(!child<QAction>(*w, "mnuUndo")->isEnabled());
        // Saved after the undo: the file's own bytes.
        fileMenu(*w, Qt::Key_S);
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))), before);

        // A row unchecked with Space is left alone; Enter fills the rest.
        child<QAction>(*w, "mnuFillIdentical")->trigger();
        QTRY_VERIFY((preview = w->findChild<FillPreviewDialog *>()) && preview->isVisible());
        QTRY_VERIFY(preview->view()->hasFocus());
        QTest::keyClick(preview->view(), Qt::Key_Down);
        QTest::keyClick(preview->view(), Qt::Key_Space);
        QTest::keyClick(preview->view(), Qt::Key_Return);
        QTRY_VERIFY(!w->findChild<FillPreviewDialog *>());
        QCOMPARE(w->document().projectTable().cellText(8, 0), std::string("&Enregistrer"));
        QCOMPARE(w->document().projectTable().cellText(9, 0), std::string("Save:"));
        QCOMPARE(w->document().projectTable().cellText(9, 5), std::string("1"));
        // Cancelled: nothing changes.
        child<QAction>(*w, "mnuFillIdentical")->trigger();
        QTRY_VERIFY((preview = w->findChild<FillPreviewDialog *>()) && preview->isVisible());
        QCOMPARE(preview->model()->size(), std::size_t(1)); // row 8 is translated now
        QTRY_VERIFY(preview->view()->hasFocus());
        QTest::keyClick(preview->view(), Qt::Key_Escape);
        QTRY_VERIFY(!w->findChild<FillPreviewDialog *>());
        QCOMPARE(w->document().projectTable().cellText(9, 0), std::string("Save:"));
        // Nothing left to fill: a message, no preview.
        clickRow(*w, 9);
        key(Qt::Key_Return);
        QTest::keyClicks(box(*w), QStringLiteral("x"));
        key(Qt::Key_Return);
        child<QAction>(*w, "mnuFillIdentical")->trigger();
        QVERIFY(!w->findChild<FillPreviewDialog *>());
        QVERIFY(message(*w).contains(QStringLiteral("No token that needs work")));
    }

    // A project in another code page is checked in it: the Cyrillic access keys
    // of two buttons clash on their own letter.
    void checksInTheProjectsCodePage()
    {
        writeFile(path(QStringLiteral("ru.prj")), "demo.mpj\r\nru.tok\r\n\r\n\r\n\r\nLANGUAGE 25 1\r\nru.dll\r\n");
        writeFile(path(QStringLiteral("ru.tok")), "[[5|100|1|1|4|]]=&\xD4\xE0\xE9\xEB\r\n"
                                                  "[[5|100|2|2|4|]]=&\xD4\xEE\xF2\xEE\r\n");
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->OpenProject(path(QStringLiteral("ru.prj")));
        QTRY_VERIFY(checksDone(*w));
        QCOMPARE(checkText(*w, 1), QStringLiteral("accelerator-clash"));
        QVERIFY2(checkTip(*w, 1).contains(QStringLiteral("the access key \"\u0424\"")), qPrintable(checkTip(*w, 1)));
    }

    // Closing the project stops the checks and empties the column and the pane.
    void closingDropsTheChecks()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 1);
        QVERIFY(!paneLine(*w)->text().isEmpty());
        fileMenu(*w, Qt::Key_C);
        QVERIFY(paneLine(*w)->text().isEmpty());
        QVERIFY(!w->checks()->runner().running());
        QCOMPARE(w->checks()->listCounts().errors, std::size_t(0));
        // Opened again: checked again.
        w->OpenProject(path(QStringLiteral("fr.prj")));
        QTRY_VERIFY(checksDone(*w));
        QCOMPARE(checkText(*w, 1), QStringLiteral("accelerator"));
    }
};

QTEST_MAIN(ChecksWindowTest)
#include "checkswindow_test.moc"
