// One piece of work from end to end: the administrator opens the demo master
// project, a double click starts the editor on fr.prj, a token is translated and
// saved, and the export runs rlman with the exact command.
#include "fakedesktop.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"

#include "../quenlit/window/frmprinc.h"
#include "../sardenne/admin/frmprinc.h"

#include "qtestfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractItemView>
#include <QTreeWidget>

namespace {

// A click on the administrator's button, as the user clicks it.
void press(sardenne::FrmPrinc &admin, const char *name)
{
    auto *button = admin.findChild<QPushButton *>(QString::fromLatin1(name));
    QVERIFY2(button && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A click on a language row, Ctrl held to add it to the selection.
void clickRow(QTreeWidget *list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->topLevelItem(row)).center());
}

// "&Save" chosen from the editor's File menu with the keyboard.
void saveWithKeys(QWidget &editor)
{
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QTest::keyClick(&editor, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_S);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
}

// A token's translation typed over the box's text, then Return.
void typeTranslation(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &info : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + info.fileName();
        if (info.isDir() ? !copyFolder(info.filePath(), target) : !QFile::copy(info.filePath(), target))
            return false;
    }
    return true;
}

} // namespace

class RoadTest : public QObject
{
    Q_OBJECT

private slots:
    void onePieceOfWork()
    {
        const QString saved = QDir::currentPath();
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo"));
        QVERIFY(copyFolder(QStringLiteral(DEMO_DIR), demo));
        const QString rl = dir.filePath(QStringLiteral("rltools")) + QLatin1Char('/');
        QDir().mkpath(rl);
        {
            QFile standIn(rl + QStringLiteral("rlman"));
            QVERIFY(standIn.open(QIODevice::WriteOnly));
            standIn.write("#!/bin/sh\necho \"$PWD|$*\" >> \"$(dirname \"$0\")/calls.log\"\n");
            standIn.close();
            standIn.setPermissions(standIn.permissions() | QFileDevice::ExeOwner);
        }
        FakeDesktop desktop;
        QtSettingsStore settings(dir.filePath(QStringLiteral("cfg/Velmora Tamrix.ini")));
        settings.setValue(QStringLiteral("RLToolsPath"), rl);

        sardenne::FrmPrinc admin(desktop, settings, QFileInfo(QStringLiteral(TAMRIXCMD_PATH)).absolutePath());
        admin.start(demo + QStringLiteral("/demo.mpj"));
        admin.show();
        QVERIFY(QTest::qWaitForWindowExposed(&admin));
        auto *list = admin.findChild<QTreeWidget *>(QStringLiteral("lvLang"));
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QTreeWidgetItem *fr = list->topLevelItem(1);
        QCOMPARE(fr->text(sardenne::FrmPrinc::KEY_PRJFILE), QStringLiteral("fr.prj"));
        clickRow(list, 1);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(fr).center());
        QCOMPARE(desktop.starts.size(), 1);
        QVERIFY(desktop.starts.front().program.endsWith(QStringLiteral("/quenlit")));
        const QString project = desktop.starts.front().arguments.join(QLatin1Char(' '));
        QCOMPARE(project, demo + QStringLiteral("/fr.prj"));

        {
            quenlit::FrmPrinc editor(desktop, settings);
            editor.start(project);
            editor.show();
            QTRY_VERIFY(editor.tokenList()->rowCount() > 0);
            // "&Help" is the untranslated menu token; its master text shows beside it.
            int item = -1;
            for (int i = 0; i < editor.tokenList()->rowCount(); ++i) {
                if (editor.tokenList()->data(editor.tokenList()->index(i, 0)).toString() == QStringLiteral("&Aide"))
                    item = i;
            }
            QVERIFY(item >= 0);
            auto *tokens = editor.findChild<QAbstractItemView *>(QStringLiteral("lvTok"));
            tokens->scrollTo(editor.tokenList()->index(item, 0));
            QTest::mouseClick(tokens->viewport(), Qt::LeftButton, {},
                              tokens->visualRect(editor.tokenList()->index(item, 0)).center());
            QCOMPARE(editor.findChild<QLineEdit *>(QStringLiteral("txtOrgTok"))->text(), QStringLiteral("&Help"));
            auto *box = editor.findChild<QLineEdit *>(QStringLiteral("txtTransTok"));
            typeTranslation(box, QStringLiteral("&Aide en ligne"));
            saveWithKeys(editor);
        }
        const QByteArray before = readFile(QStringLiteral(DEMO_DIR "/fr.tok"));
        QCOMPARE(readFile(demo + QStringLiteral("/fr.tok.bak")), before);
        QByteArray expected = before;
        expected.replace("[[4|1|0|5|1|]]=&Aide\r\n", "[[4|1|0|5|4|]]=&Aide en ligne\r\n");
        QVERIFY(expected != before);
        QCOMPARE(readFile(demo + QStringLiteral("/fr.tok")), expected);

        // The editor changed its own folder; the administrator's jobs run in the master folder.
        QDir::setCurrent(demo);
        press(admin, "btExport");
        QCOMPARE(readFile(rl + QStringLiteral("calls.log")),
                 QDir(demo).canonicalPath().toUtf8() + "|-n 12 1 -r demo.dll fr.tok fr.dll\n");
        QVERIFY(admin.outputText().endsWith(QStringLiteral("Op\u00E9ration termin\u00E9e ! \r\n")));
        QDir::setCurrent(saved);
    }

    // The same road with the project's own rlman on the demo's real DLL.
    void theWholeLoopForReal()
    {
        const QString saved = QDir::currentPath();
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo"));
        QVERIFY(copyFolder(QStringLiteral(DEMO_DIR), demo));
        QVERIFY(QFile::copy(QStringLiteral(DEMO_DLL), demo + QStringLiteral("/demo.dll")));
        QFile::remove(demo + QStringLiteral("/de.tok")); // the refresh makes it anew
        FakeDesktop desktop;
        QtSettingsStore settings(dir.filePath(QStringLiteral("cfg/Velmora Tamrix.ini")));
        settings.setValue(QStringLiteral("RLToolsPath"), QStringLiteral(RLTOOLS_DIR));
        const QByteArray frBefore = readFile(demo + QStringLiteral("/fr.tok"));

        sardenne::FrmPrinc admin(desktop, settings, QFileInfo(QStringLiteral(TAMRIXCMD_PATH)).absolutePath());
        admin.start(demo + QStringLiteral("/demo.mpj"));
        auto *list = admin.findChild<QTreeWidget *>(QStringLiteral("lvLang"));
        admin.show();
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        clickRow(list, 0);
        clickRow(list, 1, Qt::ControlModifier);
        press(admin, "btActu");
        QVERIFY2(!admin.outputText().contains(QStringLiteral("       ! ")), qPrintable(admin.outputText()));
        QCOMPARE(readFile(demo + QStringLiteral("/fr.tok")), frBefore); // nothing changed in the master
        QCOMPARE(readFile(demo + QStringLiteral("/de.tok")), readFile(demo + QStringLiteral("/demo.tok")));

        {
            quenlit::FrmPrinc editor(desktop, settings);
            editor.start(demo + QStringLiteral("/fr.prj"));
            editor.show();
            QTRY_VERIFY(editor.tokenList()->rowCount() > 0);
            int item = -1;
            for (int i = 0; i < editor.tokenList()->rowCount(); ++i) {
                if (editor.tokenList()->data(editor.tokenList()->index(i, 0)).toString() == QStringLiteral("&Aide"))
                    item = i;
            }
            QVERIFY(item >= 0);
            auto *tokens = editor.findChild<QAbstractItemView *>(QStringLiteral("lvTok"));
            tokens->scrollTo(editor.tokenList()->index(item, 0));
            QTest::mouseClick(tokens->viewport(), Qt::LeftButton, {},
                              tokens->visualRect(editor.tokenList()->index(item, 0)).center());
            auto *box = editor.findChild<QLineEdit *>(QStringLiteral("txtTransTok"));
            typeTranslation(box, QStringLiteral("&Aide en ligne"));
            saveWithKeys(editor);
        }
        QDir::setCurrent(demo);
        clickRow(list, 1); // FR
        press(admin, "btExport");
        QVERIFY2(!admin.outputText().contains(QStringLiteral("Échec")), qPrintable(admin.outputText()));
        QVERIFY(QFile::exists(demo + QStringLiteral("/fr.dll")));
        QProcess windres;
        windres.start(QStringLiteral(WINDRES), {QStringLiteral("-i"), demo + QStringLiteral("/fr.dll"),
                                                QStringLiteral("-O"), QStringLiteral("rc")});
        QVERIFY(windres.waitForFinished(30000));
        const QByteArray rc = windres.readAllStandardOutput();
        QVERIFY(rc.contains("POPUP \"&Aide en ligne\""));
        QVERIFY(rc.contains("LANGUAGE 12, 1"));

        // Reading the DLL back changes nothing: the texts are the project's.
        const QByteArray frAfter = readFile(demo + QStringLiteral("/fr.tok"));
        QVERIFY(frAfter.contains("[[4|1|0|5|4|]]=&Aide en ligne\r\n"));
        press(admin, "btImport");
        QVERIFY(admin.outputText().endsWith(QStringLiteral("Opération terminée !\r\n")));
        QVERIFY2(!admin.outputText().contains(QStringLiteral("Échec")), qPrintable(admin.outputText()));
        QCOMPARE(readFile(demo + QStringLiteral("/fr.tok")), frAfter);
        QDir::setCurrent(saved);
    }
};

QTEST_MAIN(RoadTest)
#include "road_test.moc"
