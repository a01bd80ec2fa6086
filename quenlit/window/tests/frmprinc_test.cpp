#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "window/openingahead.h"
#include "window/tokenlistview.h"
#include "programicon.h"
#include "settingsstore.h"
#include "tokenio.h"
#include "window/tokenlistmodel.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QTextBrowser>
#include <QToolButton>
#include "programhelp.h"
#include <QAction>
#include <QCheckBox>
#include "qtestfiles.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
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
// Rows: 1 status 1, 2 status 3, 3 status 04, 4 status 6, 5 status 2, 6 status 0.
const QByteArray kProjectTokens = "[[4|1|1|0|1|]]=&File\r\n"
                                  "[[4|1|2|0|3|]]=&Ouvrir...\r\n"
                                  "[[6|1|7|0|04|x]]=Pr\xEAt\r\n"
                                  "[[5|100|1|0|6|]]=OK\r\n"
                                  "[[16|1|1|0|2|FileVersion]]=1.0\r\n"
                                  "[[3|1|1|0|0|]]=Bitmap\r\n";

} // namespace

class FrmPrincTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

private:
    QString prj() const { return path(QStringLiteral("fr.prj")); }

    std::unique_ptr<FrmPrinc> newWindow()
    {
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        return w;
    }

    std::unique_ptr<FrmPrinc> openedWindow()
    {
        auto w = newWindow();
        w->show();
        w->OpenProject(prj());
        return w;
    }

    static QTreeWidgetItem *node(FrmPrinc &w, const QString &text)
    {
        const auto found = child<QTreeWidget>(w, "tvTyp")->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }

    static void clickNode(FrmPrinc &w, const QString &text)
    {
        QTreeWidgetItem *n = node(w, text);
        QVERIFY(n);
        auto *tree = child<QTreeWidget>(w, "tvTyp");
        tree->scrollToItem(n);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(n).center());
    }

    static void select(FrmPrinc &w, int row)
    {
        const int item = itemOfRow(w, row);
        QVERIFY2(item >= 0, "row is not listed");
        list(w)->scrollTo(w.tokenList()->index(item, 0));
        clickRow(w, static_cast<std::size_t>(row));
    }

    static QString status(FrmPrinc &w, int row) { return QString::fromStdString(w.document().projectTable().cellText(row, 5)); }

private slots:
    // The list keeps each item's look in a byte: every look it is given comes
    // back whole, and a read-only one is not edited in place.
    void everyLookComesBackFromTheList()
    {
        std::vector<TokenLook> looks;
        for (int bits = 0; bits < 72; ++bits) {
            TokenLook look;
            look.itemBold = bits & 1;
            look.itemColor = static_cast<LookColor>(bits / 2 % 3);
            look.statusBold = bits / 6 & 1;
            look.statusColor = static_cast<LookColor>(bits / 12 % 3);
            look.readOnly = bits / 36 & 1;
            looks.push_back(look);
        }
        TokenTable table;
        std::string tokens;
        for (std::size_t i = 1; i <= looks.size(); ++i)
            tokens += "[[6|1|" + std::to_string(i) + "|0|4|]]=text\r\n";
        QCOMPARE(LoadTokens(tokens, table), TokenLoadStatus::Ok);
        ListRows rows;
        for (std::size_t row = 1; row <= looks.size(); ++row)
            rows.push_back(static_cast<ListRow>(row));
        TokenListModel model;
        model.setItems(&table, std::make_shared<const ListRows>(rows), looks);
        for (int item = 0; item < static_cast<int>(looks.size()); ++item) {
            QVERIFY(model.look(item) == looks[static_cast<std::size_t>(item)]);
            const bool editable = model.flags(model.index(item, TokenListModel::TokenColumn)) & Qt::ItemIsEditable;
            QCOMPARE(editable, !looks[static_cast<std::size_t>(item)].readOnly);
        }
        TokenLook changed = looks[5];
        changed.statusColor = LookColor::GrayText;
        changed.readOnly = true;
        model.setLook(5, changed);
        QVERIFY(model.look(5) == changed);
        QVERIFY(!(model.flags(model.index(5, TokenListModel::TokenColumn)) & Qt::ItemIsEditable));
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

    // What a screen reader reads of each control, through Qt's accessibility
    // interface, and a round of Tab that follows the screen.
    void everyControlIsNamedAndTabFollowsTheScreen()
    {
        auto w = EditorWindowFixture::openedWindow(); // shown and active: keys reach it
        QVERIFY(w);
        clickRow(*w, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::ControlModifier);
        const struct
        {
            const char *object;
            const char *name;
            QAccessible::Role role;
        } named[] = {
            {"txtOrgTok", "Original token", QAccessible::EditableText},
            {"txtTransTok", "Translated token", QAccessible::EditableText},
            {"chkTrans", "Translated", QAccessible::CheckBox},
            {"chkRO", "Read-only", QAccessible::CheckBox},
            {"tvTyp", "Filter", QAccessible::Tree},
            {"lvTok", "Tokens", QAccessible::Table},
            {"txtFind", "Find", QAccessible::EditableText},
            {"txtReplaceFind", "Replace", QAccessible::EditableText},
            {"txtReplaceWith", "Replace with", QAccessible::EditableText},
            {"frmprinc", "Velmora Quenlit - ", QAccessible::Window},
        };
        for (const auto &n : named) {
            QWidget *widget = n.object == QByteArray("frmprinc") ? w.get() : child<QWidget>(*w, n.object);
            QVERIFY2(widget, n.object);
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(face && face->text(QAccessible::Name).startsWith(QString::fromUtf8(n.name)),
                     qPrintable(QString::fromLatin1(n.object) + QStringLiteral(": ") +
                                (face ? face->text(QAccessible::Name) : QString())));
            QCOMPARE(face->role(), n.role);
        }
        // The labels are tied to their boxes; the tree's column and the find
        // box's clear button say what they are.
        for (QLabel *label : w->findChildren<QLabel *>(QStringLiteral("lbInfo")))
            QCOMPARE(label->buddy()->objectName(), label->property("index").toInt() ? QStringLiteral("txtTransTok")
                                                                                      : QStringLiteral("txtOrgTok"));
        QCOMPARE(child<QTreeWidget>(*w, "tvTyp")->headerItem()->text(0), QStringLiteral("Filter"));
        QStringList buttons;
        for (QToolButton *b : child<QLineEdit>(*w, "txtFind")->findChildren<QToolButton *>())
            buttons << QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name);
        QVERIFY(buttons.contains(QStringLiteral("Clear find")));

        // Tab from the top of the window: the pane, the tree, the bars over the list, the list.
        clickRow(*w, 1);
        child<QLineEdit>(*w, "txtOrgTok")->setFocus(Qt::TabFocusReason);
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 11; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QStringList expected;
        for (const char *name : {"txtOrgTok", "txtTransTok", "chkTrans", "chkRO", "tvTyp", "txtReplaceFind",
                                 "txtReplaceWith", "chkMatchCase", "chkWholeWords", "btReplaceAll", "lvTok",
                                 "txtOrgTok"})
            expected << QString::fromLatin1(name);
        QCOMPARE(order, expected);
    }

    // Ctrl+S saves, Ctrl+O opens, Ctrl+Q ends, pressed on the focused widget;
    // "Modified" shows while "&Save" is enabled; the caption stays.
    void theUsualKeysAndTheModifiedMark()
    {
        auto w = EditorWindowFixture::openedWindow(); // shown and active: keys reach it
        QVERIFY(w);
        auto *mark = child<QLabel>(*w, "lbModified");
        QVERIFY(mark && mark->isHidden());
        clickRow(*w, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Fichier"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        QVERIFY(mark->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + path(QStringLiteral("fr.prj")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(readFile(path(QStringLiteral("fr.tok"))).startsWith("[[4|1|1|0|4|]]=Fichier\r\n"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_desktop->saveQuestions, 1); // "&Save" stays enabled after a save, as always
        m_desktop->saveAnswers << Desktop::SaveAnswer::No;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_desktop->fileDialogs, 1);
        m_desktop->saveAnswers << Desktop::SaveAnswer::No;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(m_desktop->endCalls, 1);
    }

    // F1 shows the guide from the copy beside the programs; "&Help" holds it
    // and a word about the program.
    void f1ShowsTheTranslatorsGuide()
    {
        auto w = EditorWindowFixture::openedWindow(); // shown and active: keys reach it
        QVERIFY(w);
        clickRow(*w, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QWidget *guide = w->help()->guideWindow();
        QVERIFY(guide && guide->isVisible());
        QVERIFY(w->help()->guideView()->toPlainText().contains(QStringLiteral("A translator's guide")));
        QVERIFY(w->help()->guideView()->document()->toMarkdown().contains(QStringLiteral("quenlit.png")));
        QCOMPARE(m_desktop->errors, QStringList());
        action(*w, "mnuAbout")->trigger();
        QCOMPARE(m_desktop->questions.size(), 1);
        QCOMPARE(m_desktop->questions.front().title, QStringLiteral("About quenlit"));
    }

    void firstStartWithEmptySettings()
    {
        auto w = newWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit"));
        QCOMPARE(w->startState(), 0);
        QVERIFY(!action(*w, "mnuShowROT")->isChecked());
        QVERIFY(action(*w, "mnuOpen")->isEnabled());
        QVERIFY(!action(*w, "mnuClose")->isEnabled());
        QVERIFY(!action(*w, "mnuSave")->isEnabled());
        QCOMPARE(action(*w, "mnuExit")->text(), QStringLiteral("E&xit"));
        QCOMPARE(action(*w, "mnuShowROT")->text(), QStringLiteral("Show &read-only tokens"));
        QVERIFY(!child<QGroupBox>(*w, "frmPropPrj")->isEnabled());
        QCOMPARE(child<QGroupBox>(*w, "frmPropPrj")->title(), QStringLiteral("Properties..."));
        QVERIFY(!child<QProgressBar>(*w, "progress")->isVisibleTo(w.get()));
        const auto labels = w->findChildren<QLabel *>(QStringLiteral("lbInfo"));
        QCOMPARE(labels.size(), 2);
        QVERIFY(labels[0]->font().bold());
        QCOMPARE(labels[0]->text(), QStringLiteral("Original token :"));
        // Centred at the design size: client 8670 x 5925 twips = 578 x 395 pixels at 96 DPI.
        w->show();
        QCOMPARE(w->centralWidget()->width(), 578);
        QCOMPARE(w->centralWidget()->height(), 395);
        const QRect frame = w->frameGeometry();
        QVERIFY(qAbs(frame.x() - (1920 - frame.width()) / 2) <= 3);
        QVERIFY(qAbs(frame.y() - (1080 - frame.height()) / 2) <= 3);
        // The tree: "All tokens" selected and expanded, its children collapsed.
        QTreeWidgetItem *all = node(*w, QStringLiteral("All tokens"));
        QVERIFY(all && all->isExpanded());
        QCOMPARE(child<QTreeWidget>(*w, "tvTyp")->currentItem(), all);
        QVERIFY(!node(*w, QStringLiteral("by type"))->isExpanded());
        QCOMPARE(w->treeTag(), QString());
    }

    void exitMaximisedThenRestart()
    {
        {
            auto w = newWindow();
            w->start(QString());
            w->setGeometry(200, 150, 640, 480);
            w->showMaximized();
            QVERIFY(w->TermineApp());
            QCOMPARE(m_desktop->endCalls, 1);
        }
        QCOMPARE(m_settings->value(QStringLiteral("EditWindowState"), QString()), QStringLiteral("2"));
        QCOMPARE(m_settings->value(QStringLiteral("ShowReadOnly"), QString()), QStringLiteral("0"));
        QCOMPARE(m_settings->value(QStringLiteral("EditWidth"), QString()).toInt() % 15, 0);
        auto again = newWindow();
        QCOMPARE(again->startState(), 2);
        QCOMPARE(again->frameGeometry().width() * 15, m_settings->value(QStringLiteral("EditWidth"), QString()).toInt());
        QCOMPARE(again->frameGeometry().x() * 15, m_settings->value(QStringLiteral("EditLeft"), QString()).toInt());
    }

    void storedValuesTheWindowCannotTake()
    {
        m_settings->setValue(QStringLiteral("EditWindowState"), QStringLiteral("9"));
        m_settings->setValue(QStringLiteral("EditWidth"), QStringLiteral("-5"));
        m_settings->setValue(QStringLiteral("EditHeight"), QStringLiteral("abc"));
        m_settings->setValue(QStringLiteral("ShowReadOnly"), QString());
        auto w = newWindow();
        QCOMPARE(w->startState(), 0);
        QVERIFY(w->width() > 100);
        QVERIFY(w->height() > 100);
        QVERIFY(action(*w, "mnuShowROT")->isChecked()); // anything but "0" checks it
    }

    void minimisedStoresOne()
    {
        auto w = newWindow();
        w->show();
        w->showMinimized();
        QVERIFY(w->TermineApp());
        QCOMPARE(m_settings->value(QStringLiteral("EditWindowState"), QString()), QStringLiteral("1"));
        auto again = newWindow();
        QCOMPARE(again->startState(), 1);
    }

    void commandLine()
    {
        auto blank = newWindow();
        blank->start(QStringLiteral("   "));
        QVERIFY(QTest::qWaitForWindowExposed(blank.get()));
        runQueued();
        QCOMPARE(blank->windowTitle(), QStringLiteral("Velmora Quenlit"));
        QVERIFY(m_desktop->errors.isEmpty());

        const QString spaced = path(QStringLiteral("my lang"));
        QDir().mkpath(spaced);
        for (const char *name : {"fr.prj", "demo.mpj", "demo.tok", "fr.tok"})
            QFile::copy(path(QString::fromLatin1(name)), spaced + QLatin1Char('/') + QString::fromLatin1(name));
        auto w = newWindow();
        w->start(spaced + QStringLiteral("/fr.prj"));
        QTRY_COMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + spaced + QStringLiteral("/fr.prj"));
        QVERIFY(w->tokenList()->rowCount() > 0);
    }

    void openingListsTheTokensAndRewritesStatuses()
    {
        auto w = openedWindow();
        QVERIFY(m_desktop->errors.isEmpty());
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + prj());
        QVERIFY(action(*w, "mnuClose")->isEnabled());
        QVERIFY(!action(*w, "mnuSave")->isEnabled());
        QVERIFY(child<QLineEdit>(*w, "txtTransTok")->isEnabled());
        QVERIFY(child<QCheckBox>(*w, "chkTrans")->isEnabled());
        QVERIFY(!child<QProgressBar>(*w, "progress")->isVisibleTo(w.get()));
        // Read-only tokens hidden: status 6 and 2 are not listed, 3 is.
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 6}));
        QCOMPARE(status(*w, 3), QStringLiteral("4"));
        auto *model = w->tokenList();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->data(model->index(2, 0)).toString(), QStringLiteral("Pr\u00EAt"));
        QCOMPARE(model->data(model->index(2, 1)).toString(), QStringLiteral("Translated"));
        QCOMPARE(model->data(model->index(3, 1)).toString(), QString());
        QCOMPARE(model->data(model->index(3, 2)).toString(), QStringLiteral("Unknow type"));
        QCOMPARE(model->data(model->index(2, 0), TokenListModel::TagRole).toString(), QStringLiteral("3"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Status"));
        // Status 1: bold red item and status; status 3: bold grey item, red status.
        QCOMPARE(model->data(model->index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(model->data(model->index(0, 0), Qt::FontRole).value<QFont>().bold());
        QCOMPARE(model->data(model->index(1, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(model->data(model->index(1, 0), Qt::ForegroundRole).value<QColor>() != QColor(255, 0, 0));
        QVERIFY(!model->data(model->index(2, 0), Qt::FontRole).value<QFont>().bold());

        // Saving writes the plain status back; there is nothing to save before an edit.
        fileMenu(*w, Qt::Key_S);
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))), kProjectTokens);
        select(*w, 1);
        typeTranslation(box(*w), QStringLiteral("&Fichier"));
        fileMenu(*w, Qt::Key_S);
        QVERIFY(readFile(path(QStringLiteral("fr.tok"))).contains("[[6|1|7|0|4|x]]="));
        QCOMPARE(readFile(path(QStringLiteral("fr.tok.bak"))), kProjectTokens);
    }

    void openingFailuresKeepThePreviousProject_data()
    {
        QTest::addColumn<QByteArray>("prjText");
        QTest::addColumn<QByteArray>("mpjText");
        QTest::addColumn<bool>("masterTokens");
        QTest::addColumn<QByteArray>("projectTokens");
        QTest::addColumn<QString>("message");
        const QByteArray prj = "demo2.mpj\r\nfr2.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n";
        const QByteArray mpj = "demo.dll\r\ndemo2.tok\r\n";
        QTest::newRow("five-line prj") << QByteArray("a\r\nb\r\n\r\n\r\n\r\n") << mpj << true << QByteArray("")
                                       << QStringLiteral("Can't open project file !");
        QTest::newRow("one-line mpj") << prj << QByteArray("demo.dll\r\n") << true << QByteArray("")
                                      << QStringLiteral("Can't open project file !");
        QTest::newRow("missing master tokens") << prj << mpj << false << QByteArray("")
                                               << QStringLiteral("Can't open token file !");
        QTest::newRow("missing project tokens") << prj << mpj << true << QByteArray("<none>")
                                                << QStringLiteral("Can't open token file !");
        QTest::newRow("reading error") << prj << mpj << true << QByteArray("[[4|1|1|0|1|]]=a\r\n|x=y\r\n")
                                       << QStringLiteral("Error while reading token file !");
    }

    void openingFailuresKeepThePreviousProject()
    {
        QFETCH(QByteArray, prjText);
        QFETCH(QByteArray, mpjText);
        QFETCH(bool, masterTokens);
        QFETCH(QByteArray, projectTokens);
        QFETCH(QString, message);
        const QString sub = path(QStringLiteral("other"));
        QDir().mkpath(sub);
        writeFile(sub + QStringLiteral("/fr2.prj"), prjText);
        writeFile(sub + QStringLiteral("/demo2.mpj"), mpjText);
        if (masterTokens)
            writeFile(sub + QStringLiteral("/demo2.tok"), "[[4|1|1|0|1|]]=x\r\n");
        if (projectTokens != "<none>")
            writeFile(sub + QStringLiteral("/fr2.tok"), projectTokens);

        auto w = openedWindow();
        select(*w, 1);
        typeTranslation(box(*w), QStringLiteral("Fichier"));
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        const QString before = w->windowTitle();

        w->OpenProject(sub + QStringLiteral("/fr2.prj"));
        QCOMPARE(m_desktop->errors, QStringList{message});
        QCOMPARE(w->windowTitle(), before);
        QCOMPARE(w->document().paths().tokenFile, std::string("fr.tok"));
        QCOMPARE(w->document().projectTable().cellText(1, 0), std::string("Fichier"));
        QCOMPARE(w->tokenList()->rowCount(), 4);
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        QVERIFY(!child<QProgressBar>(*w, "progress")->isVisibleTo(w.get()));
        // Saving still goes to the first project's token file.
        fileMenu(*w, Qt::Key_S);
        QVERIFY(readFile(path(QStringLiteral("fr.tok"))).startsWith("[[4|1|1|0|4|]]=Fichier\r\n"));
    }

    void badTokensAreReportedOneByOne()
    {
        writeFile(path(QStringLiteral("demo.tok")), "bad\r\n[[4|1|1|0|1|]]=&File\r\nworse\r\n\r\n");
        auto w = openedWindow();
        QCOMPARE(m_desktop->errors, QStringList(3, QStringLiteral("Bad token !")));
        QCOMPARE(m_desktop->badTokenQuestions, 3);
        QCOMPARE(w->document().masterTable().tokenCount(), std::size_t(1));
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + prj());
    }

    // The box of a bad line offers to stop asking for the rest of its file; the
    // lines skipped are then counted once at the end of that file, and the next
    // file asks again.
    // Read by the window, or read while the program starts and taken by the
    // window as it shows: the same boxes in the same order, over the window
    // shown, and the same progress.
    void badTokensCanBeSilencedForTheRestOfAFile_data()
    {
        QTest::addColumn<bool>("readAhead");
        QTest::newRow("read by the window") << false;
        QTest::newRow("read while the program starts") << true;
    }
    void badTokensCanBeSilencedForTheRestOfAFile()
    {
        QFETCH(bool, readAhead);
        QByteArray master = "[[4|1|1|0|1|]]=&File\r\n";
        for (int i = 0; i < 100000; ++i)
            master += "bad\r\n";
        writeFile(path(QStringLiteral("demo.tok")), master);
        writeFile(path(QStringLiteral("fr.tok")), "bad\r\n[[4|1|1|0|1|]]=&Fichier\r\nworse\r\n");
        m_desktop->badTokenAnswers = {false, true}; // OK, then "don't show again" with OK
        OpeningAhead ahead(readAhead ? ToPath(prj()) : std::string());
        auto w = newWindow();
        QSignalSpy bar(child<QProgressBar>(*w, "progress"), &QProgressBar::valueChanged);
        w->start(ToPath(prj()), &ahead);
        QTRY_COMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + prj());
        QCOMPARE(m_desktop->badTokenQuestions, 2 + 2);
        QCOMPARE(m_desktop->badTokenQuestionsUnshown, 0);
        QList<int> values;
        for (const QList<QVariant> &change : bar)
            values << change.front().toInt();
        QVERIFY(values.size() >= 3);
        QCOMPARE(values.front(), 0);
        QVERIFY(values.contains(50));
        static QList<int> byTheWindow; // the first row's
        if (!readAhead)
            byTheWindow = values;
        else
            QCOMPARE(values, byTheWindow);
        const QStringList expected{QStringLiteral("Bad token !"), QStringLiteral("Bad token !"),
                                   QStringLiteral("100000 bad tokens were skipped in demo.tok."),
                                   QStringLiteral("Bad token !"), QStringLiteral("Bad token !")};
        QCOMPARE(m_desktop->errors, expected);
        // The opening went on to its end.
        QCOMPARE(w->document().masterTable().tokenCount(), std::size_t(1));
        QCOMPARE(w->document().projectTable().tokenCount(), std::size_t(1));
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit - ") + prj());
    }

    void filterNodesAndTheTagRule()
    {
        auto w = openedWindow();
        toggleReadOnlyShown(*w);
        QVERIFY(action(*w, "mnuShowROT")->isChecked());
        QCOMPARE(listedRows(*w), (QList<int>{1, 2, 3, 4, 5, 6}));

        clickNode(*w, QStringLiteral("Menu"));
        QCOMPARE(w->treeTag(), QStringLiteral("byType Menu"));
        QCOMPARE(listedRows(*w), (QList<int>{1, 2}));
        clickNode(*w, QStringLiteral("Unknow type"));
        QCOMPARE(listedRows(*w), (QList<int>{6}));
        clickNode(*w, QStringLiteral("Translated"));
        QCOMPARE(listedRows(*w), (QList<int>{3}));
        clickNode(*w, QStringLiteral("Non-translated"));
        QCOMPARE(listedRows(*w), (QList<int>{1, 2}));
        clickNode(*w, QStringLiteral("Read-only"));
        QCOMPARE(listedRows(*w), (QList<int>{2, 4, 5}));
        toggleReadOnlyShown(*w);
        QCOMPARE(listedRows(*w), (QList<int>{2}));
        toggleReadOnlyShown(*w);
        QCOMPARE(listedRows(*w), (QList<int>{2, 4, 5}));

        clickNode(*w, QStringLiteral("All tokens"));
        QCOMPARE(w->treeTag(), QStringLiteral("all"));
        // "by type" carries the same tag: no rebuild, so the selection survives.
        select(*w, 4);
        clickNode(*w, QStringLiteral("by type"));
        QCOMPARE(child<TokenListView>(*w, "lvTok")->currentIndex().row(), itemOfRow(*w, 4));
        QCOMPARE(w->treeTag(), QStringLiteral("all"));
    }

    void loadingThePane_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("translated");
        QTest::addColumn<bool>("boxEnabled");
        QTest::addColumn<QString>("master");
        QTest::newRow("status 1") << 1 << false << false << true << QStringLiteral("&File");
        QTest::newRow("status 3") << 2 << true << false << false << QStringLiteral("&Open...");
        QTest::newRow("status 4") << 3 << false << true << true << QStringLiteral("Ready");
        QTest::newRow("status 6") << 4 << true << true << false << QStringLiteral("OK");
        QTest::newRow("no master") << 6 << false << true << true << QStringLiteral("Bitmap");
    }

    void loadingThePane()
    {
        QFETCH(int, row);
        QFETCH(bool, readOnly);
        QFETCH(bool, translated);
        QFETCH(bool, boxEnabled);
        QFETCH(QString, master);
        auto w = openedWindow();
        toggleReadOnlyShown(*w);
        select(*w, row);
        QCOMPARE(child<QCheckBox>(*w, "chkRO")->isChecked(), readOnly);
        QCOMPARE(child<QCheckBox>(*w, "chkTrans")->isChecked(), translated);
        QCOMPARE(child<QLineEdit>(*w, "txtTransTok")->isEnabled(), boxEnabled);
        QCOMPARE(child<QLineEdit>(*w, "txtOrgTok")->text(), master);
        QVERIFY(child<QLineEdit>(*w, "txtOrgTok")->isReadOnly());
        QCOMPARE(child<QLineEdit>(*w, "txtTransTok")->text(),
                 w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, row), 0)).toString());
        // Checking the box on loading marks the project modified.
        QCOMPARE(action(*w, "mnuSave")->isEnabled(), translated);
    }

    void selectingRewritesStatusesThroughTheBox()
    {
        writeFile(path(QStringLiteral("fr.tok")), "[[4|1|1|0|0|]]=a\r\n[[4|1|2|0|5|]]=b\r\n[[4|1|3|0|2|]]=c\r\n");
        auto w = openedWindow();
        toggleReadOnlyShown(*w);
        select(*w, 1); // box unchecked before: 0 becomes 4
        QCOMPARE(status(*w, 1), QStringLiteral("4"));
        select(*w, 2); // box checked before: 5 becomes 1
        QCOMPARE(status(*w, 2), QStringLiteral("1"));
        select(*w, 3); // unchecked before: 2 becomes 6
        QCOMPARE(status(*w, 3), QStringLiteral("6"));
    }

    void translatedAndReadOnlyBoxes()
    {
        auto w = openedWindow();
        select(*w, 2); // status 3
        auto *trans = child<QCheckBox>(*w, "chkTrans");
        auto *ro = child<QCheckBox>(*w, "chkRO");
        clickCheck(trans);
        QCOMPARE(status(*w, 2), QStringLiteral("6"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(itemOfRow(*w, 2), 1)).toString(),
                 QStringLiteral("Read-only"));
        clickCheck(trans);
        QCOMPARE(status(*w, 2), QStringLiteral("3"));
        clickCheck(ro);
        QVERIFY(ro->isChecked());
        QCOMPARE(status(*w, 2), QStringLiteral("3"));
        select(*w, 1);
        clickCheck(ro);
        QVERIFY(!ro->isChecked());
        QVERIFY(action(*w, "mnuSave")->isEnabled());
    }

    void enterStoresTheTextEscapeDoesNot()
    {
        auto w = openedWindow();
        w->activateWindow();
        auto *list = child<TokenListView>(*w, "lvTok");
        auto *box = child<QLineEdit>(*w, "txtTransTok");
        list->setFocus();
        select(*w, 1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(box->selectedText(), QStringLiteral("&File"));
        typeTranslation(box, QStringLiteral("&Fichier \u00E9t\u00E9"));
        QCOMPARE(w->document().projectTable().cellText(1, 0), std::string("&Fichier \xE9t\xE9"));
        QCOMPARE(status(*w, 1), QStringLiteral("4"));
        QCOMPARE(w->tokenList()->data(w->tokenList()->index(0, 1)).toString(), QStringLiteral("Translated"));
        QVERIFY(!child<QCheckBox>(*w, "chkTrans")->isChecked()); // not refreshed until selected again
        QVERIFY(action(*w, "mnuSave")->isEnabled());

        select(*w, 3);
        typeTranslation(box, QStringLiteral("typed"), Qt::Key_Escape);
        QCOMPARE(w->document().projectTable().cellText(3, 0), std::string("Pr\xEAt"));
        QCOMPARE(box->text(), QStringLiteral("typed"));
        select(*w, 1);
        select(*w, 3);
        QCOMPARE(box->text(), QStringLiteral("Pr\u00EAt"));

        // An empty translation is stored as such.
        typeTranslation(box, QString(), Qt::Key_Enter);
        QCOMPARE(w->document().projectTable().cellText(3, 0), std::string());
        QCOMPARE(status(*w, 3), QStringLiteral("4"));
    }

    void textsTheCharacterSetCannotStoreAreRefused()
    {
        auto w = openedWindow();
        select(*w, 1);
        auto *box = child<QLineEdit>(*w, "txtTransTok");
        typeTranslation(box, QStringLiteral("\u0424\u0430\u0439\u043B"));
        QCOMPARE(m_desktop->errors.size(), 1);
        QVERIFY(m_desktop->errors.front().contains(QStringLiteral("Windows-1252")));
        QCOMPARE(box->text(), QStringLiteral("\u0424\u0430\u0439\u043B"));
        QCOMPARE(w->document().projectTable().cellText(1, 0), std::string("&File"));
        QCOMPARE(status(*w, 1), QStringLiteral("1"));
        QVERIFY(!action(*w, "mnuSave")->isEnabled());
    }

    void aCommitAfterARebuildReachesNoToken()
    {
        auto w = openedWindow();
        select(*w, 1);
        auto *box = child<QLineEdit>(*w, "txtTransTok");
        typeTranslation(box, QStringLiteral("meant for row 1"), Qt::Key_unknown);
        clickNode(*w, QStringLiteral("Translated"));
        // The pane no longer shows a token; select the only token listed, then commit.
        QTest::keyClick(box, Qt::Key_Return);
        typeTranslation(box, QStringLiteral("meant for row 1"));
        QCOMPARE(w->document().projectTable().cellText(1, 0), std::string("&File"));
        QCOMPARE(w->document().projectTable().cellText(3, 0), std::string("Pr\xEAt"));
        QVERIFY(!action(*w, "mnuSave")->isEnabled());
    }

    void inPlaceEditing()
    {
        auto w = openedWindow();
        auto *list = child<TokenListView>(*w, "lvTok");
        w->activateWindow();
        list->setFocus();
        select(*w, 2); // read-only: F2 refused
        QTest::keyClick(list, Qt::Key_F2);
        QVERIFY(!list->findChild<QLineEdit *>() || !list->findChild<QLineEdit *>()->isVisible());
        QTest::keyClick(list, Qt::Key_Return); // and Enter does nothing
        QVERIFY(!child<QLineEdit>(*w, "txtTransTok")->hasFocus());

        select(*w, 1);
        QTest::keyClick(list, Qt::Key_F2);
        auto *editor = list->findChild<QLineEdit *>();
        QVERIFY(editor && editor->isVisible());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Fichier"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(w->document().projectTable().cellText(1, 0), std::string("&File")); // cancelled: nothing stored
        QTest::keyClick(list, Qt::Key_F2);
        editor = nullptr;
        for (QLineEdit *e : list->findChildren<QLineEdit *>())
            editor = e->isVisible() ? e : editor;
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Fichier"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w->document().projectTable().cellText(1, 0), std::string("Fichier"));
        QCOMPARE(status(*w, 1), QStringLiteral("4"));
        QVERIFY(action(*w, "mnuSave")->isEnabled());
    }

    void keyboardAlone()
    {
        auto w = openedWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto *tree = child<QTreeWidget>(*w, "tvTyp");
        auto *list = child<TokenListView>(*w, "lvTok");
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        // Reaching the list makes its first token current; arrow keys select a token and load the pane.
        QCOMPARE(child<QLineEdit>(*w, "txtOrgTok")->text(), QStringLiteral("&File"));
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(child<QLineEdit>(*w, "txtTransTok")->text(), QStringLiteral("&Ouvrir..."));
        QCOMPARE(child<QLineEdit>(*w, "txtOrgTok")->text(), QStringLiteral("&Open..."));
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(child<QLineEdit>(*w, "txtOrgTok")->text(), QStringLiteral("&File"));
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(child<QLineEdit>(*w, "txtTransTok")->hasFocus());
        QTest::keyClick(child<QLineEdit>(*w, "txtTransTok"), Qt::Key_Escape);
        QVERIFY(list->hasFocus());
    }

    void closeDropsEverythingWithoutAsking()
    {
        auto w = openedWindow();
        select(*w, 1);
        clickCheck(child<QCheckBox>(*w, "chkTrans"));
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        fileMenu(*w, Qt::Key_C);
        QCOMPARE(m_desktop->saveQuestions, 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Quenlit"));
        QVERIFY(!action(*w, "mnuSave")->isEnabled());
        QVERIFY(!action(*w, "mnuClose")->isEnabled());
        QCOMPARE(w->tokenList()->rowCount(), 0);
        QCOMPARE(w->document().projectTable().tokenCount(), std::size_t(0));
        QCOMPARE(w->document().masterTable().tokenCount(), std::size_t(0));
        QVERIFY(!child<QLineEdit>(*w, "txtTransTok")->isEnabled());
        QVERIFY(child<QLineEdit>(*w, "txtTransTok")->text().isEmpty());
        QVERIFY(!child<QCheckBox>(*w, "chkRO")->isEnabled());
        QVERIFY(!child<QCheckBox>(*w, "chkTrans")->isChecked());
        QVERIFY(!child<QGroupBox>(*w, "frmPropPrj")->isEnabled());
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))), kProjectTokens);
        clickNode(*w, QStringLiteral("Menu"));
        toggleReadOnlyShown(*w);
        QCOMPARE(w->tokenList()->rowCount(), 0);
    }

    void openMenuAsksFirstAndCanBeCancelled()
    {
        auto w = openedWindow();
        select(*w, 1);
        clickCheck(child<QCheckBox>(*w, "chkTrans"));
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Cancel};
        fileMenu(*w, Qt::Key_O);
        QCOMPARE(m_desktop->saveQuestions, 1);
        QCOMPARE(m_desktop->fileDialogs, 0);

        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        fileMenu(*w, Qt::Key_O); // the dialog is cancelled
        QCOMPARE(m_desktop->fileDialogs, 1);
        QCOMPARE(m_desktop->fileFilters,
                 (QStringList{QStringLiteral("Projet RLTools (*.prj)|*.prj"), QStringLiteral("Tous les fichiers|*")}));
        QCOMPARE(status(*w, 1), QStringLiteral("4"));
        QVERIFY(action(*w, "mnuSave")->isEnabled());

        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        m_desktop->fileAnswers = {prj()};
        fileMenu(*w, Qt::Key_O);
        QCOMPARE(status(*w, 1), QStringLiteral("1")); // reopened from disk
        QVERIFY(action(*w, "mnuSave")->isEnabled());  // the modified state survives
        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        fileMenu(*w, Qt::Key_O);
        QCOMPARE(m_desktop->fileInitial, prj()); // the last file is offered again
    }

    void exitQuestions()
    {
        auto w = openedWindow();
        QVERIFY(w->TermineApp()); // nothing unsaved: no question, settings written
        QCOMPARE(m_desktop->saveQuestions, 0);
        QCOMPARE(m_settings->value(QStringLiteral("EditWindowState"), QStringLiteral("?")), QStringLiteral("0"));

        QFile::remove(m_settings->fileName());
        m_settings = std::make_unique<QtSettingsStore>(path(QStringLiteral("settings/Velmora Tamrix.ini")));
        auto v = openedWindow();
        select(*v, 1);
        clickCheck(child<QCheckBox>(*v, "chkTrans"));
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Cancel};
        QVERIFY(!v->close());
        QVERIFY(!v->ended());
        QCOMPARE(m_settings->value(QStringLiteral("EditLeft"), QStringLiteral("none")), QStringLiteral("none"));
        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        QVERIFY(v->close());
        QVERIFY(v->ended());
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))), kProjectTokens);

        auto y = openedWindow();
        select(*y, 1);
        clickCheck(child<QCheckBox>(*y, "chkTrans"));
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Yes};
        fileMenu(*y, Qt::Key_X);
        QVERIFY(y->ended());
        QVERIFY(readFile(path(QStringLiteral("fr.tok"))).startsWith("[[4|1|1|0|4|]]=&File\r\n"));
    }

    void aFailedSaveIsReportedAndNothingIsLost()
    {
        auto w = openedWindow();
        select(*w, 1);
        clickCheck(child<QCheckBox>(*w, "chkTrans"));
        // Nobody may write the token file (a folder in the backup's place no
        // longer stops a save: the backup goes under a fresh name).
        QVERIFY(QFile::setPermissions(path(QStringLiteral("fr.tok")), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        fileMenu(*w, Qt::Key_S);
        QCOMPARE(m_desktop->errors.size(), 1);
        QVERIFY(m_desktop->errors.front().contains(QStringLiteral("fr.tok")));
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))), kProjectTokens);
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        QCOMPARE(status(*w, 1), QStringLiteral("4"));
        // Yes at the exit question with a failing save keeps the window open.
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Yes};
        QVERIFY(!w->TermineApp());
        QVERIFY(!w->ended());
    }

    void theRoadOfOneEdit()
    {
        auto w = newWindow();
        w->start(prj());
        QTRY_VERIFY(w->tokenList()->rowCount() > 0);
        select(*w, 1);
        auto *box = child<QLineEdit>(*w, "txtTransTok");
        typeTranslation(box, QStringLiteral("&Fichier"));
        // The save's bar runs from 0 to 100, however few of its steps are painted.
        QSignalSpy bar(child<QProgressBar>(*w, "progress"), &QProgressBar::valueChanged);
        fileMenu(*w, Qt::Key_S);
        QVERIFY(bar.size() >= 2);
        QCOMPARE(bar.front().front().toInt(), 0);
        QCOMPARE(bar.back().front().toInt(), 100);
        QVERIFY(action(*w, "mnuSave")->isEnabled());
        QCOMPARE(readFile(path(QStringLiteral("fr.tok.bak"))), kProjectTokens);
        QCOMPARE(readFile(path(QStringLiteral("fr.tok"))),
                 QByteArray("[[4|1|1|0|4|]]=&Fichier\r\n"
                            "[[4|1|2|0|3|]]=&Ouvrir...\r\n"
                            "[[6|1|7|0|4|x]]=Pr\xEAt\r\n"
                            "[[5|100|1|0|6|]]=OK\r\n"
                            "[[16|1|1|0|2|FileVersion]]=1.0\r\n"
                            "[[3|1|1|0|0|]]=Bitmap\r\n"));
    }

    void layoutFollowsTheWindow()
    {
        auto w = newWindow();
        w->show();
        w->centralWidget()->resize(578 + 100, 395 + 50);
        w->resize(w->width() + 100, w->height() + 50);
        QTRY_COMPARE(w->layoutTwips().lvTok.width, 6900.0f + 1500);
        QCOMPARE(child<TokenListView>(*w, "lvTok")->width(), 460 + 100);
        QCOMPARE(child<QTreeWidget>(*w, "tvTyp")->width(), 106);
    }

    void windowHasTheProgramsIcon()
    {
        auto w = newWindow();
        QVERIFY(!w->windowIcon().isNull());
        for (int size : {16, 32})
            QCOMPARE(w->windowIcon().pixmap(size, size).toImage(),
                     ProgramIcon(QStringLiteral("quenlit")).pixmap(size, size).toImage());
    }
};

QTEST_MAIN(FrmPrincTest)
#include "frmprinc_test.moc"
