// What the translator sees of a token beyond its text, driven as a user drives
// the window: the "Original" column and the header's menu, where the selected
// token lives, and the preview of its dialog or menu following the typing.

#include "window/checks/checkrunner.h"
#include "editorwindowfixture.h"
#include "window/checks/editorchecks.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "window/listcolumns.h"
#include "qtestfiles.h"
#include "window/preview/resourcepreviewer.h"
#include "window/preview/resourcepreviewwidget.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace quenlit;

using quenlit::FrmPrinc;

namespace {

// The "Kinds" dialog (200) and the menu (1) of layout.rc.
const QByteArray kMasterTokens = "[[5|200|0|0|1|]]=Kinds\r\n"
                                 "[[5|200|1|1|1|]]=OK\r\n"
                                 "[[5|200|1001|3|1|]]=&Match case\r\n"
                                 "[[5|200|-1|6|1|]]=Find &what:\r\n"
                                 "[[4|1|0|0|1|]]=&File\r\n"
                                 "[[4|1|101|1|1|]]=&Open...\\tCtrl+O\r\n"
                                 "[[4|1|102|2|1|]]=&Save\r\n"
                                 "[[4|1|103|6|1|]]=E&xit\r\n"
                                 "[[6|1|5|5|1|]]=Ready\r\n";
const QByteArray kProjectTokens = "[[5|200|0|0|4|]]=Genres\r\n"
                                  "[[5|200|1|1|4|]]=OK\r\n"
                                  "[[5|200|1001|3|4|]]=&Respecter la casse\r\n"
                                  "[[5|200|-1|6|4|]]=&Rechercher dans tout le texte :\r\n"
                                  "[[4|1|0|0|4|]]=&Fichier\r\n"
                                  "[[4|1|101|1|4|]]=&Ouvrir...\\tCtrl+O\r\n"
                                  "[[4|1|102|2|4|]]=&Enregistrer\r\n"
                                  "[[4|1|103|6|4|]]=&Quitter\r\n"
                                  "[[6|1|5|5|4|]]=Pr\xeat\r\n";

} // namespace

class PreviewTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

    static QString place(FrmPrinc &w) { return child<QLabel>(w, "tokenPlace")->text(); }

    // A click on a row, scrolled into view first and its place checked.
    static void clickRow(FrmPrinc &w, std::size_t row)
    {
        const int item = w.tokenList()->itemOfRow(row);
        QVERIFY2(item >= 0, "row is not listed");
        list(w)->scrollTo(w.tokenList()->index(item, 0));
        const QRect rect = list(w)->visualRect(w.tokenList()->index(item, 0));
        QVERIFY(rect.isValid());
        QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    // The preview shown with Ctrl+Shift+P, the source file read.
    static bool showPreview(FrmPrinc &w)
    {
        if (w.preview()->dock()->isHidden())
            QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        return !w.preview()->dock()->isHidden() && w.preview()->loader().waitForLoaded(10000);
    }

    static QColor pixel(const QImage &image, const QPoint &at) { return image.pixelColor(at); }

private slots:
    void init()
    {
        setUpFixture();
        writeFrenchProject(kMasterTokens, kProjectTokens, QByteArray(LAYOUT_RES));
    }

    void cleanup()
    {
        tearDownFixture();
    }

    // "Original" comes last, with the master text; the first three columns keep
    // their headers and widths.
    void originalColumnAfterTheOthers()
    {
        auto w = openedWindow();
        QVERIFY(w);
        TokenListModel *model = w->tokenList();
        QCOMPARE(model->columnCount(), 5);
        QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Original"));
        QCOMPARE(model->index(model->itemOfRow(3), TokenListModel::OriginalColumn).data().toString(),
                 QStringLiteral("&Match case"));
        QCOMPARE(model->index(model->itemOfRow(9), TokenListModel::OriginalColumn).data().toString(),
                 QStringLiteral("Ready"));
        const double pixelsPerTwip = w->logicalDpiX() / 1440.0;
        QCOMPARE(list(*w)->columnWidth(0), qRound(5000 * pixelsPerTwip));
        QCOMPARE(list(*w)->columnWidth(1), qRound(2000 * pixelsPerTwip));
        QCOMPARE(list(*w)->columnWidth(2), qRound(1440 * pixelsPerTwip));
        QCOMPARE(list(*w)->columnWidth(4), qRound(5000 * pixelsPerTwip));
        QVERIFY(!list(*w)->header()->isSectionHidden(4));
        // The original is read, never edited in place.
        QVERIFY(!(model->flags(model->index(0, TokenListModel::OriginalColumn)) & Qt::ItemIsEditable));
    }

    // A right click on the header offers the added columns; a click on one hides
    // it, and the next window remembers that and the widths.
    void headerMenuHidesColumnsAndTheSettingsKeepThem()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QHeaderView *header = list(*w)->header();
        QMenu *menu = w->listColumns()->contextMenu();
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Check"));
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Original"));

        const QPoint at = QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, header->viewport()->mapToGlobal(at));
        QApplication::sendEvent(header->viewport(), &event);
        QTRY_VERIFY(menu->isVisible());
        QAction *original = menu->actions().at(1);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(original).center());
        QTRY_VERIFY(!menu->isVisible());
        QVERIFY(header->isSectionHidden(TokenListModel::OriginalColumn));
        QVERIFY(!original->isChecked());
        QVERIFY(!header->isSectionHidden(TokenListModel::CheckColumnIndex));

        header->resizeSection(TokenListModel::CheckColumnIndex, 77);
        QVERIFY(w->TermineApp());
        QCOMPARE(m_settings->value(QStringLiteral("ListOriginalVisible"), QString()), QStringLiteral("0"));
        QCOMPARE(m_settings->value(QStringLiteral("ListCheckVisible"), QString()), QStringLiteral("1"));
        w.reset();

        auto again = openedWindow();
        QVERIFY(again);
        QVERIFY(list(*again)->header()->isSectionHidden(TokenListModel::OriginalColumn));
        QVERIFY(!again->listColumns()->contextMenu()->actions().at(1)->isChecked());
        QVERIFY(qAbs(list(*again)->columnWidth(TokenListModel::CheckColumnIndex) - 77) <= 1);
        // Shown again from the menu, it has a width.
        again->listColumns()->contextMenu()->actions().at(1)->trigger();
        QVERIFY(!list(*again)->header()->isSectionHidden(TokenListModel::OriginalColumn));
        QVERIFY(list(*again)->columnWidth(TokenListModel::OriginalColumn) > 10);
    }

    // The status bar names the selected token's place; menu items by their path
    // once the source file is read.
    void placeOfTheSelectedToken()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(w->preview()->loader().waitForLoaded(10000));
        clickRow(*w, 3);
        QCOMPARE(place(*w), QStringLiteral("Dlg 200 \u00B7 1001"));
        QCOMPARE(child<QLabel>(*w, "tokenPlace")->toolTip(), QStringLiteral("Dialog 200, control 1001 (3rd)"));
        clickRow(*w, 1);
        QCOMPARE(place(*w), QStringLiteral("Dlg 200 \u00B7 caption"));
        clickRow(*w, 6);
        QCOMPARE(place(*w), QString::fromUtf8("Mnu 1 \u00B7 File \u25B8 Open..."));
        clickRow(*w, 9);
        QCOMPARE(place(*w), QStringLiteral("Str 5"));
        // Down moves the selection: the place follows.
        QTest::keyClick(list(*w), Qt::Key_Up);
        QCOMPARE(place(*w), QString::fromUtf8("Mnu 1 \u00B7 File \u25B8 Exit"));
    }

    // The dialog of the selected token: its control highlighted, a text too wide
    // for its control outlined in red, and the typing shown before Enter.
    void dialogPreviewFollowsTheSelectionAndTheTyping()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(showPreview(*w));
        ResourcePreviewWidget *view = w->preview()->view();

        clickRow(*w, 3);
        QVERIFY(view->dialog());
        QCOMPARE(view->dialog()->selected, 2); // the check box, 3rd control
        // "Rechercher dans tout le texte :" does not fit the 40-unit static text.
        QCOMPARE(view->dialog()->overflowing(), std::vector<std::size_t>{6});
        QCOMPARE(QString::fromStdU16String(view->dialog()->caption), QStringLiteral("Genres"));
        QImage image = view->grab().toImage();
        const QRect label = view->controlRect(5);
        QCOMPARE(pixel(image, QPoint(label.center().x(), label.top())), QColor(220, 0, 0));
        const QRect check = view->controlRect(2);
        QVERIFY(pixel(image, QPoint(check.center().x(), check.top() - 2)) != QColor(220, 0, 0));

        // Typed into the box: shown at once, marked as not stored, nothing written.
        clickRow(*w, 2);
        QCOMPARE(view->dialog()->selected, 0);
        QTest::mouseClick(box(*w), Qt::LeftButton);
        box(*w)->selectAll();
        QTest::keyClicks(box(*w), QStringLiteral("Valider et fermer"));
        QVERIFY(view->dialog()->controls[0].pending);
        QCOMPARE(QString::fromStdU16String(view->dialog()->controls[0].text), QStringLiteral("Valider et fermer"));
        QCOMPARE(view->dialog()->overflowing(), (std::vector<std::size_t>{1, 6}));
        QVERIFY(child<QLabel>(*w, "previewTitle")->text().contains(QStringLiteral("not yet stored")));
        QCOMPARE(w->document().projectTable().cellText(2, ColText), std::string("OK"));
        image = view->grab().toImage();
        const QRect ok = view->controlRect(0);
        QCOMPARE(pixel(image, QPoint(ok.center().x(), ok.top())), QColor(220, 0, 0));

        // Enter stores it: the mark of the typing goes, the outline stays.
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(w->document().projectTable().cellText(2, ColText), std::string("Valider et fermer"));
        QVERIFY(!view->dialog()->controls[0].pending);
        QVERIFY(view->dialog()->controls[0].overflows());
        QVERIFY(!child<QLabel>(*w, "previewTitle")->text().contains(QStringLiteral("not yet stored")));

        // Escape in the box brings the focus back; a shorter text fits again.
        clickRow(*w, 2);
        QTest::mouseClick(box(*w), Qt::LeftButton);
        box(*w)->selectAll();
        QTest::keyClicks(box(*w), QStringLiteral("OK"));
        QCOMPARE(view->dialog()->overflowing(), std::vector<std::size_t>{6});
    }

    // A menu item: the bar and its popup, shared access keys marked as typed.
    void menuPreviewMarksSharedAccessKeys()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(showPreview(*w));
        ResourcePreviewWidget *view = w->preview()->view();
        clickRow(*w, 7); // &Enregistrer
        QVERIFY(view->menu());
        QCOMPARE(view->menu()->bar.size(), std::size_t(2));
        QVERIFY(view->menu()->bar[0].open);
        QCOMPARE(view->menu()->popups.size(), std::size_t(1));
        QVERIFY(view->menu()->popups[0][1].selected);
        QVERIFY(!view->menu()->popups[0][1].keyClash);

        QTest::mouseClick(box(*w), Qt::LeftButton);
        box(*w)->selectAll();
        QTest::keyClicks(box(*w), QStringLiteral("&Ouvrir tout"));
        QVERIFY(view->menu()->popups[0][0].keyClash);
        QVERIFY(view->menu()->popups[0][1].keyClash);
        QVERIFY(!view->menu()->popups[0][5].keyClash);
        // Drawn in the clash colour around the item.
        const QImage image = view->grab().toImage();
        const QRect item = view->menuEntryRect(1, 0);
        QCOMPARE(pixel(image, QPoint(item.center().x(), item.top() + 2)), QColor(230, 120, 0));

        // Every label has the room it is drawn in, in any script its glyphs fall back for.
        const QFontMetrics fm(view->shownFont());
        for (const QString &typed : {QStringLiteral("About(&A)..."), QStringLiteral("\u30C7\u30E2(&A)..."),
                                     QStringLiteral("\u041E \u0434\u0435\u043C\u043E(&A)..."),
                                     QStringLiteral("\u0E40\u0E01\u0E35\u0E48\u0E22\u0E27(&A)...")}) {
            box(*w)->selectAll();
            for (const QChar c : typed) // typed as a keyboard of the script types it
                QTest::sendKeyEvent(QTest::Click, box(*w), Qt::Key_unknown, QString(c), Qt::NoModifier);
            QCOMPARE(view->menu()->popups[0][1].text, typed.toStdU16String());
            QVERIFY2(view->menuTextRect(1, 1).width() >=
                         fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, typed).width(),
                     qPrintable(typed));
        }
    }

    // The "length" check measures dialog texts as the preview draws them: a text
    // far longer than its original that fits its control passes, one that does
    // not fit is named with its pixels.
    void lengthCheckUsesThePreviewsMeasure()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(w->preview()->loader().waitForLoaded(10000));
        QTRY_VERIFY(w->checks()->runner().checksDone());
        auto check = [&](std::size_t row, int role) {
            return w->tokenList()->index(w->tokenList()->itemOfRow(row), TokenListModel::CheckColumnIndex).data(role).toString();
        };
        QVERIFY(check(4, Qt::DisplayRole).contains(QStringLiteral("length")));
        QVERIFY2(check(4, Qt::ToolTipRole).contains(QStringLiteral("pixels of height, its control 13")), qPrintable(check(4, Qt::ToolTipRole)));
        // "D'accord" for "OK": four times as many characters, and it fits the button.
        clickRow(*w, 2);
        QTest::mouseClick(box(*w), Qt::LeftButton);
        box(*w)->selectAll();
        QTest::keyClicks(box(*w), QStringLiteral("D'accord"));
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(w->document().projectTable().cellText(2, ColText), std::string("D'accord"));
        QVERIFY2(!check(2, Qt::DisplayRole).contains(QStringLiteral("length")), qPrintable(check(2, Qt::DisplayRole)));
        // Far too long for it: named.
        clickRow(*w, 2);
        QTest::mouseClick(box(*w), Qt::LeftButton);
        box(*w)->selectAll();
        QTest::keyClicks(box(*w), QStringLiteral("Accepter les modifications"));
        QTest::keyClick(box(*w), Qt::Key_Return);
        QVERIFY(check(2, Qt::DisplayRole).contains(QStringLiteral("length")));
    }

    // A string: the text alone.
    void stringPreviewShowsTheText()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(showPreview(*w));
        clickRow(*w, 9);
        QVERIFY(w->preview()->view()->showsText());
        QVERIFY(w->preview()->message().isEmpty());
    }

    // Without its source file, the preview says so in one line; the list and the
    // pane work as before.
    void missingSourceFileIsOneLine()
    {
        writeFile(path(QStringLiteral("demo.mpj")), "nowhere.dll\r\ndemo.tok\r\n");
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(showPreview(*w));
        QCOMPARE(w->tokenList()->rowCount(), 9);
        clickRow(*w, 3);
        QCOMPARE(w->preview()->message(), QStringLiteral("No preview: the source file is missing."));
        QVERIFY(!w->preview()->view()->dialog());
        QCOMPARE(box(*w)->text(), QStringLiteral("&Respecter la casse"));
        QCOMPARE(place(*w), QStringLiteral("Dlg 200 \u00B7 1001"));
        QCOMPARE(child<QLabel>(*w, "tokenPlace")->toolTip(), QStringLiteral("Dialog 200, control 1001 (3rd)"));

        // Not a PE image or .res file.
        writeFile(path(QStringLiteral("nowhere.dll")), "MZ but nothing more");
        w->OpenProject(path(QStringLiteral("fr.prj")));
        QVERIFY(w->preview()->loader().waitForLoaded(10000));
        clickRow(*w, 3);
        QVERIFY(w->preview()->message().startsWith(
            QStringLiteral("No preview: the source file is neither a PE image nor a .res file")));
    }

    // The dock's shown state stays for the next window.
    // Shown beside the list, the dock widens the window where its screen has
    // room, and never grows wider than that screen: the screen is laid around
    // wherever the window opened.
    void showingTheDockKeepsTheWindowOnItsScreen_data()
    {
        QTest::addColumn<int>("roomLeft");
        QTest::addColumn<int>("roomRight");
        QTest::addColumn<bool>("screenBeside"); // another screen on the left
        QTest::newRow("room enough") << 0 << 5000 << false;
        QTest::newRow("grows up to the screen's edge") << 0 << 100 << false;
        QTest::newRow("moves left") << 300 << 100 << false;
        QTest::newRow("no room at all") << 0 << 0 << false;
        QTest::newRow("on the second screen") << 0 << 100 << true;
    }

    void showingTheDockKeepsTheWindowOnItsScreen()
    {
        QFETCH(int, roomLeft);
        QFETCH(int, roomRight);
        QFETCH(bool, screenBeside);
        auto w = openedWindow();
        QVERIFY(w);
        const QRect before = w->frameGeometry();
        const QRect screen(before.left() - roomLeft, 0, roomLeft + before.width() + roomRight, before.bottom() + 100);
        m_desktop->screens = {screen};
        if (screenBeside)
            m_desktop->screens.prepend(QRect(screen.left() - 3000, 0, 3000, screen.height()));
        QTest::keyClick(w.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!w->preview()->dock()->isHidden());
        QTRY_VERIFY(w->frameGeometry().width() > before.width() || roomLeft + roomRight == 0);
        // Where the window then stands is the window system's to say (the
        // offscreen one centres it again); its width is ours.
        const QRect after = w->frameGeometry();
        QVERIFY2(after.width() <= screen.width(), "the window is wider than its screen");
        if (roomLeft + roomRight == 0)
            QCOMPARE(after.width(), before.width());
        else if (roomRight < 5000 && roomLeft == 0)
            QCOMPARE(after.width(), before.width() + roomRight);
        else if (roomRight >= 5000)
            QVERIFY(after.width() > before.width());
        else
            QVERIFY(after.width() > before.width() + roomRight);
        QVERIFY(w->TermineApp());
    }

    void dockStateIsRemembered()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(w->preview()->dock()->isHidden());
        QTest::keyClick(w.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!w->preview()->dock()->isHidden());
        QVERIFY(w->TermineApp());
        QCOMPARE(m_settings->value(QStringLiteral("PreviewVisible"), QString()), QStringLiteral("1"));
        w.reset();
        auto again = openedWindow();
        QVERIFY(again);
        QVERIFY(!again->preview()->dock()->isHidden());
        QTest::keyClick(again.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(again->preview()->dock()->isHidden());
        QVERIFY(again->TermineApp());
        QCOMPARE(m_settings->value(QStringLiteral("PreviewVisible"), QString()), QStringLiteral("0"));
    }
};

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"
