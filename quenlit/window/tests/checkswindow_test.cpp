// The checks in the editor window, driven as a user drives it: the "Check"
// column, its tooltip, the pane's line and the suggestion keys.

#include "checkpane.h"
#include "editorchecks.h"
#include "fakedesktop.h"
#include "frmprinc.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "tokenlistmodel.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

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
                                 "[[6|1|5|4|1|]]=Save:\r\n";
// Row 1 lost its access key, row 2 its shortcut; rows 3 and 4 clash; row 5 is
// fine; rows 6 and 7 are translated twins of row 8 and its similar row 9, which
// need work.
const QByteArray kProjectTokens = "[[4|1|0|0|4|]]=Fichier\r\n"
                                  "[[4|1|101|1|4|]]=&Ouvrir...\r\n"
                                  "[[5|100|1|1|4|]]=&Enregistrer\r\n"
                                  "[[5|100|2|2|4|]]=&Effacer\r\n"
                                  "[[6|1|1|0|4|]]=Nom :\r\n"
                                  "[[6|1|2|1|4|]]=&Enregistrer\r\n"
                                  "[[6|1|3|2|4|]]=&Enregistrer\r\n"
                                  "[[6|1|4|3|1|]]=&Save\r\n"
                                  "[[6|1|5|4|1|]]=Save:\r\n";

} // namespace

class ChecksWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<QtSettingsStore> m_settings;
    QString m_originalDir;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<FrmPrinc> openedWindow()
    {
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            return nullptr;
        w->OpenProject(path(QStringLiteral("fr.prj")));
        return w;
    }

    template <typename T> static T *child(FrmPrinc &w, const char *name)
    {
        return w.findChild<T *>(QString::fromLatin1(name));
    }
    static QTreeView *list(FrmPrinc &w) { return child<QTreeView>(w, "lvTok"); }
    static QLineEdit *box(FrmPrinc &w) { return child<QLineEdit>(w, "txtTransTok"); }
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

    static void clickRow(FrmPrinc &w, std::size_t row)
    {
        const int item = w.tokenList()->itemOfRow(row);
        QVERIFY2(item >= 0, "row is not listed");
        const QRect rect = list(w)->visualRect(w.tokenList()->index(item, 0));
        QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    static bool checksDone(FrmPrinc &w) { return w.checks()->runner().checksDone(); }

private slots:
    void init()
    {
        m_originalDir = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>();
        m_desktop = std::make_unique<FakeDesktop>();
        m_settings = std::make_unique<QtSettingsStore>(path(QStringLiteral("settings/Velmora Tamrix.ini")));
        writeFile(path(QStringLiteral("fr.prj")), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
        writeFile(path(QStringLiteral("demo.mpj")), "demo.dll\r\ndemo.tok\r\n");
        writeFile(path(QStringLiteral("demo.tok")), kMasterTokens);
        writeFile(path(QStringLiteral("fr.tok")), kProjectTokens);
    }

    void cleanup()
    {
        QDir::setCurrent(m_originalDir);
        m_settings.reset();
        m_dir.reset();
    }

    // "Check" comes fourth; the three columns before it keep their order, headers and widths.
    void checkColumnAfterTheOthers()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QAbstractItemModelTester tester(w->tokenList());
        const QStringList headers = {QStringLiteral("Token"), QStringLiteral("Status"), QStringLiteral("Type"),
                                     QStringLiteral("Check")};
        QCOMPARE(w->tokenList()->columnCount(), 4);
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
        QCOMPARE(w->tokenList()->rowCount(), 9);
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

    // The pane's line shows the selected token's messages while it is selected.
    void paneShowsTheSelectedTokensMessages()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 2);
        QCOMPARE(paneLine(*w)->messages(),
                 QStringList({QStringLiteral("error: [shortcut] the shortcut \"Ctrl+O\" of the original is missing"),
                              QStringLiteral("error: [escape] \\t: 1 in the original, 0 in the translation")}));
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
        QCOMPARE(w->projectTable().cellText(3, 0), std::string("Enre&gistrer"));
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
        QCOMPARE(w->projectTable().cellText(8, 0), std::string("&Save")); // nothing stored yet
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(w->projectTable().cellText(8, 0), std::string("&Enregistrer"));
        QCOMPARE(w->projectTable().cellText(8, 5), std::string("4"));
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

    // Closing the project stops the checks and empties the column and the pane.
    void closingDropsTheChecks()
    {
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY(checksDone(*w));
        clickRow(*w, 1);
        QVERIFY(!paneLine(*w)->text().isEmpty());
        child<QAction>(*w, "mnuClose")->trigger();
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
