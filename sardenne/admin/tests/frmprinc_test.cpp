#include "batchrunner.h"
#include "fakedesktop.h"
#include "frmprinc.h"
#include "programhelp.h"
#include "programicon.h"
#include "settingsstore.h"
#include "systemfiles.h"

#include "qtestfiles.h"

#include <QAccessible>
#include <QApplication>
#include <QTextBrowser>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

using sardenne::FrmPrinc;

namespace {

// A file whose name is bytes that a QString may not hold.
void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    QVERIFY(out.good());
}

} // namespace

class SardenneTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestFolder> m_dir;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<QtSettingsStore> m_settings;
    QString m_saved;

    QString master() const { return m_dir->filePath(QStringLiteral("work/demo.mpj")); }
    QString rlFolder() const { return m_dir->filePath(QStringLiteral("rltools")) + QLatin1Char('/'); }
    QString calls() const { return m_dir->filePath(QStringLiteral("rltools/calls.log")); }

    std::unique_ptr<FrmPrinc> newWindow()
    {
        // The batch interpreter lies beside the program; the tests use the built one.
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings,
                                            QFileInfo(QStringLiteral(TAMRIXCMD_PATH)).absolutePath());
        return w;
    }

    std::unique_ptr<FrmPrinc> openedWindow()
    {
        auto w = newWindow();
        w->show();
        w->findChild<QLineEdit *>(QStringLiteral("txtRLPath"))->setText(rlFolder());
        w->OpenMasterProject(master());
        return w;
    }

    static QTreeWidget *list(FrmPrinc &w) { return w.findChild<QTreeWidget *>(QStringLiteral("lvLang")); }
    static QPushButton *button(FrmPrinc &w, const char *name)
    {
        return w.findChild<QPushButton *>(QString::fromLatin1(name));
    }

    // The names of every file and folder under the test folder.
    QSet<QString> allFiles() const
    {
        QSet<QString> names;
        const std::filesystem::path root(QFile::encodeName(m_dir->path()).toStdString());
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
            names.insert(QString::fromStdString(entry.path().lexically_relative(root).string()));
        return names;
    }

    static void clickRow(QTreeWidget *l, QTreeWidgetItem *item, Qt::KeyboardModifiers modifiers = {})
    {
        l->scrollToItem(item);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, modifiers, l->visualItemRect(item).center());
    }

    // The rows selected as the user selects them: a click on the first, Ctrl and
    // a click on each other; none, the first row clicked and Ctrl-clicked off.
    static void selectRows(FrmPrinc &w, const QList<int> &rows)
    {
        QTreeWidget *l = list(w);
        const int first = rows.isEmpty() ? 0 : rows.front();
        clickRow(l, l->topLevelItem(first));
        for (int r : rows.isEmpty() ? QList<int>{0} : rows.mid(1))
            clickRow(l, l->topLevelItem(r), Qt::ControlModifier);
        QCOMPARE(l->selectedItems().size(), rows.size());
    }

    // A click on a button the user can click.
    static void press(FrmPrinc &w, const char *name)
    {
        QPushButton *b = button(w, name);
        QVERIFY2(b && b->isEnabled(), name);
        QTest::mouseClick(b, Qt::LeftButton);
    }

private slots:
    void init()
    {
        m_saved = QDir::currentPath();
        m_dir = std::make_unique<TestFolder>();
        m_desktop = std::make_unique<FakeDesktop>();
        m_settings = std::make_unique<QtSettingsStore>(m_dir->filePath(QStringLiteral("cfg/Velmora Tamrix.ini")));
        QDir(m_dir->path()).mkpath(QStringLiteral("work/fr"));
        QDir(m_dir->path()).mkpath(QStringLiteral("rltools"));
        writeFile(master(), "demo.dll\r\ndemo.tok\r\n");
        writeFile(m_dir->filePath(QStringLiteral("work/fr.prj")),
                  "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr\\demo.dll\r\n");
        writeFile(m_dir->filePath(QStringLiteral("work/DE.prj")),
                  "demo.mpj\r\nde\\de.tok\r\n\r\n\r\n\r\nLANGUAGE 7 1\r\nde.dll\r\n");
        writeFile(m_dir->filePath(QStringLiteral("work/it.prj")), "demo.mpj\r\nit.tok\r\n");
        writeFile(m_dir->filePath(QStringLiteral("work/fr.tok")), "[[4|1|1|0|1|]]=&Fichier\r\n");
        writeFile(m_dir->filePath(QStringLiteral("work/De.Tok")), "");
        const QByteArray standIn = "#!/bin/sh\n"
                                   "printf '%s|%s' \"$PWD\" \"$(basename \"$0\")\" >> \"$(dirname \"$0\")/calls.log\"\n"
                                   "for a in \"$@\"; do printf ' [%s]' \"$a\" >> \"$(dirname \"$0\")/calls.log\"; done\n"
                                   "echo >> \"$(dirname \"$0\")/calls.log\"\n"
                                   "case \"$2\" in\n"
                                   "  99) exit 2;;\n"
                                   "  98) sleep 1; echo late; echo done > \"$(dirname \"$0\")/done.txt\";;\n"
                                   "esac\n";
        writeFile(rlFolder() + QStringLiteral("rlman"), standIn, true);
    }

    void cleanup()
    {
        QDir::setCurrent(m_saved);
        m_dir.reset();
    }

    void firstStart()
    {
        auto w = newWindow();
        w->show();
        QCOMPARE(w->windowTitle(), QStringLiteral("Velmora Sardenne"));
        // Our RLTools are built beside the program.
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtRLPath"))->text(),
                 QFileInfo(QStringLiteral(TAMRIXCMD_PATH)).absolutePath() + QStringLiteral("/rltools/"));
        QCOMPARE(w->width(), 567);
        QCOMPARE(w->height(), 434);
        QVERIFY(qAbs(w->frameGeometry().x() - (1920 - w->frameGeometry().width()) / 2) <= 3);
        for (const char *b : {"btActu", "btAdmin", "btEdit", "btImport", "btExport"})
            QVERIFY2(!button(*w, b)->isEnabled(), b);
        QVERIFY(button(*w, "btOpenProj")->isEnabled());
        // Clicked before a master project is open, they do nothing.
        for (const char *b : {"btActu", "btAdmin", "btEdit", "btImport", "btExport"})
            QTest::mouseClick(button(*w, b), Qt::LeftButton);
        QVERIFY(m_desktop->starts.isEmpty());
        QCOMPARE(w->outputText(), QString());
        QCOMPARE(button(*w, "btEdit")->text(), QStringLiteral("Editer les &tokens..."));
        QCOMPARE(w->findChild<QGroupBox *>(QStringLiteral("frmInfo"))->title(), QStringLiteral("Outils"));
        QVERIFY(!list(*w)->isEnabled());
        QCOMPARE(list(*w)->headerItem()->text(4), QStringLiteral("Derni\u00E8re modification"));
        QVERIFY(w->findChild<QLabel *>(QStringLiteral("labInfo"))->font().bold());
        // Design layout.
        QCOMPARE(w->layoutTwips().frmInfo.left, 5595.0f);
        QCOMPARE(w->layoutTwips().txtOutput.height, 1780.0f);
        w->TermineApp();
        for (const char *key : {"RLToolsPath", "AdminWindowState", "AdminLeft", "AdminTop", "AdminWidth", "AdminHeight"})
            QVERIFY2(!m_settings->value(QString::fromLatin1(key), QString()).isNull(), key);
        QCOMPARE(m_desktop->endCalls, 1);
    }

    void commandLineFillsTheList()
    {
        auto w = newWindow();
        w->start(master());
        QTRY_COMPARE(list(*w)->topLevelItemCount(), 3);
        QTreeWidget *l = list(*w);
        QVERIFY(l->isEnabled());
        QVERIFY(button(*w, "btExport")->isEnabled());
        // In name order whatever the case: DE.prj, fr.prj, it.prj.
        QTreeWidgetItem *de = l->topLevelItem(0);
        QCOMPARE(de->text(FrmPrinc::KEY_PRJFILE), QStringLiteral("DE.prj"));
        QCOMPARE(de->text(FrmPrinc::KEY_LANG), QStringLiteral("DE"));
        QCOMPARE(de->text(FrmPrinc::KEY_TOKENFILE), QStringLiteral("DE.TOK"));
        QCOMPARE(de->data(FrmPrinc::KEY_TOKENFILE, FrmPrinc::TagRole).toByteArray(), QByteArray("de\\de.tok"));
        QVERIFY(!de->text(FrmPrinc::KEY_MODIF).isEmpty()); // De.Tok found beside the master project
        QTreeWidgetItem *fr = l->topLevelItem(1);
        QCOMPARE(fr->text(FrmPrinc::KEY_LANGID), QStringLiteral("12"));
        QCOMPARE(fr->text(FrmPrinc::KEY_LANGSUBID), QStringLiteral("1"));
        QCOMPARE(fr->text(FrmPrinc::KEY_EXEFILE), QStringLiteral("DEMO.DLL"));
        QCOMPARE(fr->data(FrmPrinc::KEY_EXEFILE, FrmPrinc::TagRole).toByteArray(), QByteArray("fr\\demo.dll"));
        QTreeWidgetItem *it = l->topLevelItem(2);
        QCOMPARE(it->text(FrmPrinc::KEY_LANG), QStringLiteral("IT"));
        QCOMPARE(it->text(FrmPrinc::KEY_EXEFILE), QString());
        QCOMPARE(it->text(FrmPrinc::KEY_MODIF), QString());
        QVERIFY(w->outputText().contains(QStringLiteral("it.prj n'a que 2 ligne(s)")));
        QVERIFY(w->outputText().contains(QStringLiteral("IT.TOK du projet it.prj est introuvable")));
        QCOMPARE(l->currentItem(), de);
        QVERIFY(de->isSelected());
        QCOMPARE(QDir::currentPath(), QDir(m_dir->filePath(QStringLiteral("work"))).canonicalPath());
        QCOMPARE(w->masterFirstLine(), std::string("demo.dll"));
        QCOMPARE(w->masterFileName(), std::string("demo.mpj"));
    }

    void failedOpeningKeepsTheFirstAndReopeningAddsNoRows()
    {
        auto w = openedWindow();
        const QString cwd = QDir::currentPath();
        w->OpenMasterProject(m_dir->filePath(QStringLiteral("missing.mpj")));
        writeFile(m_dir->filePath(QStringLiteral("empty.mpj")), "");
        w->OpenMasterProject(m_dir->filePath(QStringLiteral("empty.mpj")));
        w->OpenMasterProject(QString());
        QCOMPARE(list(*w)->topLevelItemCount(), 3);
        QCOMPARE(QDir::currentPath(), cwd);
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtFileName"))->text(), master());
        w->OpenMasterProject(master());
        QCOMPARE(list(*w)->topLevelItemCount(), 3);

        m_desktop->fileAnswers = {};
        press(*w, "btOpenProj");
        QCOMPARE(m_desktop->fileFilters,
                 (QStringList{QStringLiteral("Projet Master RLTools (*.mpj)|*.mpj"), QStringLiteral("Tous les fichiers|*")}));
        QCOMPARE(list(*w)->topLevelItemCount(), 3);
    }

    void placementRoundTrips()
    {
        int outerWidth = 0;
        {
            auto w = newWindow();
            w->show();
            w->setGeometry(300, 200, 700, 500);
            outerWidth = w->frameGeometry().width();
            w->showMaximized();
            w->TermineApp();
        }
        QCOMPARE(m_settings->value(QStringLiteral("AdminWindowState"), QString()), QString::number(2));
        // The outer width of the normal window, in twips.
        QCOMPARE(m_settings->value(QStringLiteral("AdminWidth"), QString()), QString::number(outerWidth * 15));
        auto w = newWindow();
        QCOMPARE(w->startState(), 2);
        w->start(QString());
        w->showNormal();
        QTRY_COMPARE(w->frameGeometry().width(), outerWidth);
        QCOMPARE(w->width(), 700);

        m_settings->setValue(QStringLiteral("AdminLeft"), QStringLiteral("1200,5"));
        m_settings->setValue(QStringLiteral("AdminWindowState"), QStringLiteral("1"));
        auto comma = newWindow();
        QCOMPARE(comma->frameGeometry().x(), 80);
        QCOMPARE(comma->startState(), 1);
        m_settings->setValue(QStringLiteral("AdminLeft"), QStringLiteral("nothing"));
        m_settings->setValue(QStringLiteral("AdminWindowState"), QStringLiteral("5"));
        auto none = newWindow();
        QCOMPARE(none->frameGeometry().x(), 0);
        QCOMPARE(none->startState(), 0);
    }

    void generalDate()
    {
        const QLocale french(QLocale::French, QLocale::France);
        const QDateTime afternoon(QDate(2000, 12, 5), QTime(17, 25, 52));
        QCOMPARE(FrmPrinc::GeneralDate(afternoon, french), QStringLiteral("05/12/2000 17:25:52"));
        QCOMPARE(FrmPrinc::GeneralDate(QDateTime(QDate(2000, 12, 5), QTime(0, 0)), french),
                 QStringLiteral("05/12/2000"));
        // Midnight is compared to the second: a fraction past it still shows the date alone.
        QCOMPARE(FrmPrinc::GeneralDate(QDateTime(QDate(2000, 12, 5), QTime(0, 0, 0, 500)), french),
                 QStringLiteral("05/12/2000"));
        QCOMPARE(FrmPrinc::GeneralDate(QDateTime(QDate(2000, 12, 5), QTime(0, 0, 1)), french),
                 QStringLiteral("05/12/2000 00:00:01"));
    }

    void aTokenFileChangedHalfASecondAfterMidnight()
    {
        const QString token = m_dir->filePath(QStringLiteral("work/fr.tok"));
        QFile file(token);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(0, 0, 0, 500)),
                                 QFileDevice::FileModificationTime));
        file.close();
        auto w = openedWindow();
        QCOMPARE(list(*w)->topLevelItem(1)->text(FrmPrinc::KEY_MODIF),
                 QLocale().toString(QDate(2021, 3, 4), QLocale::ShortFormat));
    }

    // What a screen reader reads: the boxes by their labels, the list and the
    // pane by what they hold, the window as a frame; F1 shows the guide and
    // changes nothing of the window's layout.
    void namedForScreenReadersWithTheGuideOnF1()
    {
        auto w = openedWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const struct
        {
            const char *object;
            const char *name;
            QAccessible::Role role;
        } named[] = {
            {"txtFileName", "Master project file", QAccessible::EditableText},
            {"txtRLPath", "RLTools folder", QAccessible::EditableText},
            {"lvLang", "Language projects", QAccessible::Tree},
            {"txtOutput", "Output", QAccessible::EditableText},
            {"btOpenProj", "Parcourir...", QAccessible::Button},
        };
        for (const auto &n : named) {
            QAccessibleInterface *face =
                QAccessible::queryAccessibleInterface(w->findChild<QWidget *>(QString::fromLatin1(n.object)));
            QVERIFY2(face, n.object);
            QCOMPARE(face->text(QAccessible::Name), QString::fromUtf8(n.name));
            QCOMPARE(face->role(), n.role);
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(w.get())->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(w.get())->text(QAccessible::Name),
                 QStringLiteral("Velmora Sardenne"));

        const QRect list = w->findChild<QWidget *>(QStringLiteral("lvLang"))->geometry();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(w->help().guideWindow() && w->help().guideWindow()->isVisible());
        QVERIFY(w->help().guideView()->toPlainText().contains(QStringLiteral("Open your language project from sardenne")));
        QCOMPARE(m_desktop->errors, QStringList());
        QCOMPARE(w->findChild<QWidget *>(QStringLiteral("lvLang"))->geometry(), list);
    }

    void tabMovesTheFocusOutOfTheOutputPane()
    {
        auto w = openedWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->setPlainText(QStringLiteral("first job\nsecond job"));
        pane->setFocus();
        pane->selectAll();
        QCOMPARE(QApplication::focusWidget(), pane);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(pane->toPlainText(), QStringLiteral("first job\nsecond job"));
        // The labels and the frame take no focus: the chain goes round to the first control.
        QCOMPARE(QApplication::focusWidget(), w->findChild<QLineEdit *>(QStringLiteral("txtFileName")));

        pane->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(pane->toPlainText(), QStringLiteral("first job\nsecond job"));
        QCOMPARE(QApplication::focusWidget(), button(*w, "btExport"));

        // Typing in the pane still works.
        pane->setFocus();
        pane->moveCursor(QTextCursor::End);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" ok"));
        QCOMPARE(pane->toPlainText(), QStringLiteral("first job\nsecond job ok"));
    }

    void refreshCommandsAndPane()
    {
        auto w = openedWindow();
        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->setPlainText(QStringLiteral("typed"));
        selectRows(*w, {});
        press(*w, "btActu");
        const QString work = QDir(m_dir->filePath(QStringLiteral("work"))).canonicalPath();
        QCOMPARE(QString::fromUtf8(readFile(calls())), work + QStringLiteral("|rlman [-m] [demo.mpj]\n"));
        QCOMPARE(w->outputText(), QStringLiteral("typedActualisation des fichiers du projet\r\n"
                                                 "------------------------------------\r\n"
                                                 "\r\n"
                                                 "    * Mise \u00E0 jour des tokens du projet ma\u00EEtre\r\n"
                                                 "\r\n"
                                                 "Op\u00E9ration termin\u00E9e ! \r\n"));

        QFile::remove(calls());
        pane->clear();
        selectRows(*w, {1, 0});
        press(*w, "btActu");
        QCOMPARE(QString::fromUtf8(readFile(calls())),
                 work + QStringLiteral("|rlman [-m] [demo.mpj]\n") + work +
                     QStringLiteral("|rlman [-n] [7] [1] [-l] [DE.prj] [demo.mpj] [de\\de.tok]\n") + work +
                     QStringLiteral("|rlman [-n] [12] [1] [-l] [fr.prj] [demo.mpj] [fr.tok]\n"));
        QVERIFY(w->outputText().contains(QStringLiteral("projet DE.prj\r\n    * Mise \u00E0 jour des tokens du projet fr.prj\r\n")));
        QVERIFY(QDir::current().entryList({QStringLiteral("~tamrix*")}).isEmpty());
    }

    void exportImportAndFailureLines()
    {
        auto w = openedWindow();
        selectRows(*w, {1});
        press(*w, "btExport");
        press(*w, "btImport");
        const QString work = QDir(m_dir->filePath(QStringLiteral("work"))).canonicalPath();
        QCOMPARE(QString::fromUtf8(readFile(calls())),
                 work + QStringLiteral("|rlman [-n] [12] [1] [-r] [demo.dll] [fr.tok] [fr\\demo.dll]\n") + work +
                     QStringLiteral("|rlman [-o] [12] [1] [-t] [fr\\demo.dll] [fr.tok]\n"));
        QVERIFY(w->outputText().endsWith(QStringLiteral("Imporation des tokens contenus dans les fichiers DLL\r\n"
                                                        "----------------------------------------------------\r\n"
                                                        "\r\n"
                                                        "     - Importation des tokens du fichier fr\\demo.dll\r\n"
                                                        "\r\n"
                                                        "Op\u00E9ration termin\u00E9e !\r\n")));
        QVERIFY(w->outputText().contains(QStringLiteral("     - Exporatation des tokens vers  fr\\demo.dll\r\n\r\n")));

        // A failing command adds one line right after its progress line; the job goes on.
        writeFile(m_dir->filePath(QStringLiteral("work/fr.prj")),
                  "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 99 1\r\nfr\\demo.dll\r\n");
        w->OpenMasterProject(master());
        selectRows(*w, {1});
        w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"))->clear();
        press(*w, "btExport");
        QCOMPARE(w->outputText(), QStringLiteral("Exporation des tokens vers des fichiers DLL\r\n"
                                                 "------------------------------------------\r\n"
                                                 "\r\n"
                                                 "     - Exporatation des tokens vers  fr\\demo.dll\r\n"
                                                 "       ! \u00C9chec de la commande (code 2)\r\n"
                                                 "\r\n"
                                                 "Op\u00E9ration termin\u00E9e ! \r\n"));
        // An RLTools folder without its final separator: the command cannot start.
        w->findChild<QLineEdit *>(QStringLiteral("txtRLPath"))->setText(m_dir->filePath(QStringLiteral("rltools")));
        press(*w, "btImport");
        QVERIFY(w->outputText().contains(QStringLiteral("(code 127)")));
    }

    // Closing the window while a command runs lets that command finish and
    // starts none of the job's later commands.
    void closingDuringAJobStartsNoMoreCommands()
    {
        writeFile(m_dir->filePath(QStringLiteral("work/fr.prj")),
                  "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 98 1\r\nfr\\demo.dll\r\n");
        auto w = openedWindow();
        selectRows(*w, {1, 2}); // fr.prj, whose command takes a second, then it.prj
        QTimer::singleShot(300, w.get(), [&w] { w->close(); });
        press(*w, "btActu");
        QCOMPARE(m_desktop->endCalls, 1);
        const QList<QByteArray> logged = readFile(calls()).split('\n');
        QCOMPARE(logged.size(), 3);
        QVERIFY(logged[0].endsWith("rlman [-m] [demo.mpj]"));
        QVERIFY(logged[1].endsWith("[98] [1] [-l] [fr.prj] [demo.mpj] [fr.tok]"));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_dir->filePath(QStringLiteral("rltools/done.txt"))), QByteArray("done\n"),
                                  10000);
    }

    void aBatchFileThatCannotBeCreatedSkipsItsCommand()
    {
        auto w = openedWindow();
        selectRows(*w, {});
        w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"))->clear();
        // The master folder has gone: no file can be created in it, even by root.
        QVERIFY(QDir(m_dir->filePath(QStringLiteral("work"))).removeRecursively());
        press(*w, "btActu");
        const QStringList lines = w->outputText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[3], QStringLiteral("    * Mise \u00E0 jour des tokens du projet ma\u00EEtre"));
        QVERIFY2(lines[4].startsWith(QStringLiteral("       ! Impossible de cr\u00E9er le fichier de commandes ")),
                 qPrintable(lines[4]));
        QVERIFY(lines[4].contains(QStringLiteral("~tamrix.bat")));
        QVERIFY(lines[4].endsWith(QStringLiteral(" : la commande n'a pas \u00E9t\u00E9 lanc\u00E9e")));
        QCOMPARE(lines[6], QStringLiteral("Op\u00E9ration termin\u00E9e ! "));
        QCOMPARE(readFile(calls()), QByteArray("<missing>"));
    }

    void aCommandOutlivesTheWindow()
    {
        writeFile(m_dir->filePath(QStringLiteral("work/fr.prj")),
                  "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 98 1\r\nfr\\demo.dll\r\n");
        auto w = openedWindow();
        w->runner().setTimeLimit(300);
        selectRows(*w, {1});
        press(*w, "btExport");
        QVERIFY(w->outputText().contains(QStringLiteral("La commande tourne encore")));
        const QDir work(m_dir->filePath(QStringLiteral("work")));
        QCOMPARE(work.entryList({QStringLiteral("~tamrix*")}).size(), 1);
        w->TermineApp();
        w.reset();
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_dir->filePath(QStringLiteral("rltools/done.txt"))), QByteArray("done\n"),
                                  10000);
        QTRY_VERIFY_WITH_TIMEOUT(work.entryList({QStringLiteral("~tamrix*")}).isEmpty(), 5000);
    }

    // Windows-1252 bytes of the project files (and of names copied from Windows)
    // reach the commands and the started editor byte for byte, and show as text.
    void projectBytesReachTheProgramsByteForByte()
    {
        const std::string work = QFile::encodeName(m_dir->filePath(QStringLiteral("work"))).toStdString() + "/";
        writeBytes(work + "\xE9t\xE9.prj",
                   "demo.mpj\r\n\xE9t\xE9.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nsortie\\\xE9t\xE9.dll\r\n");
        writeBytes(work + "\xE9t\xE9.tok", "");
        // A name in the system's own encoding (UTF-8) shows as such.
        writeBytes(work + "\xC3\xBC" "ber.prj", "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 7 1\r\nx.dll\r\n");
        auto w = openedWindow();
        QTreeWidget *l = list(*w);
        QCOMPARE(l->topLevelItemCount(), 5);
        QCOMPARE(l->topLevelItem(3)->text(FrmPrinc::KEY_PRJFILE), QStringLiteral("\u00FCber.prj"));
        QTreeWidgetItem *ete = l->topLevelItem(4);
        QCOMPARE(ete->text(FrmPrinc::KEY_PRJFILE), QStringLiteral("\u00E9t\u00E9.prj"));
        QCOMPARE(ete->text(FrmPrinc::KEY_LANG), QStringLiteral("\u00C9T\u00C9"));
        QCOMPARE(ete->text(FrmPrinc::KEY_TOKENFILE), QStringLiteral("\u00C9T\u00C9.TOK"));
        QCOMPARE(ete->text(FrmPrinc::KEY_EXEFILE), QStringLiteral("\u00C9T\u00C9.DLL"));
        QVERIFY(!ete->text(FrmPrinc::KEY_MODIF).isEmpty());

        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->clear();
        selectRows(*w, {3, 4});
        press(*w, "btActu");
        press(*w, "btExport");
        press(*w, "btImport");
        const QByteArray cwd = QFile::encodeName(QDir::currentPath());
        QCOMPARE(readFile(calls()),
                 cwd + "|rlman [-m] [demo.mpj]\n" +
                 cwd + "|rlman [-n] [7] [1] [-l] [\xC3\xBC" "ber.prj] [demo.mpj] [fr.tok]\n" +
                 cwd + "|rlman [-n] [12] [1] [-l] [\xE9t\xE9.prj] [demo.mpj] [\xE9t\xE9.tok]\n" +
                 cwd + "|rlman [-n] [7] [1] [-r] [demo.dll] [fr.tok] [x.dll]\n" +
                 cwd + "|rlman [-n] [12] [1] [-r] [demo.dll] [\xE9t\xE9.tok] [sortie\\\xE9t\xE9.dll]\n" +
                 cwd + "|rlman [-o] [7] [1] [-t] [x.dll] [fr.tok]\n" +
                 cwd + "|rlman [-o] [12] [1] [-t] [sortie\\\xE9t\xE9.dll] [\xE9t\xE9.tok]\n");
        const QString out = w->outputText();
        QVERIFY(out.contains(QStringLiteral("    * Mise \u00E0 jour des tokens du projet \u00FCber.prj\r\n")));
        QVERIFY(out.contains(QStringLiteral("    * Mise \u00E0 jour des tokens du projet \u00E9t\u00E9.prj\r\n")));
        QVERIFY(out.contains(QStringLiteral("     - Exporatation des tokens vers  sortie\\\u00E9t\u00E9.dll\r\n")));
        QVERIFY(out.contains(QStringLiteral("     - Importation des tokens du fichier sortie\\\u00E9t\u00E9.dll\r\n")));

        clickRow(l, ete);
        press(*w, "btEdit");
        QCOMPARE(m_desktop->starts.last().argumentBytes, std::vector<std::string>{work + "\xE9t\xE9.prj"});
    }

    // A Russian and a Japanese project: names show in their code pages, in upper
    // case as those define it, and the bytes still reach the commands unchanged.
    void rowsShowInTheCodePageOfTheirLanguage()
    {
        const std::string work = QFile::encodeName(m_dir->filePath(QStringLiteral("work"))).toStdString() + "/";
        writeBytes(work + "ru.prj",
                   "demo.mpj\r\n\xF4\xE0\xE9\xEB.tok\r\n\r\n\r\n\r\nLANGUAGE 25 1\r\n\xF4\xE0\xE9\xEB.dll\r\n");
        writeBytes(work + "\xF4\xE0\xE9\xEB.tok", "");
        writeBytes(work + "zja.prj",
                   "demo.mpj\r\n\x83\x5C\x83\x74\x83\x67.tok\r\n\r\n\r\n\r\nLANGUAGE 17 1\r\n\x83\x5C.dll\r\n");
        auto w = openedWindow();
        QTreeWidget *l = list(*w);
        QTreeWidgetItem *ru = nullptr;
        QTreeWidgetItem *ja = nullptr;
        for (int i = 0; i < l->topLevelItemCount(); ++i) {
            const QString prj = l->topLevelItem(i)->text(FrmPrinc::KEY_PRJFILE);
            if (prj == QStringLiteral("ru.prj"))
                ru = l->topLevelItem(i);
            if (prj == QStringLiteral("zja.prj"))
                ja = l->topLevelItem(i);
        }
        QVERIFY(ru && ja);
        QCOMPARE(ru->text(FrmPrinc::KEY_LANG), QStringLiteral("\u0424\u0410\u0419\u041B"));
        QCOMPARE(ru->text(FrmPrinc::KEY_TOKENFILE), QStringLiteral("\u0424\u0410\u0419\u041B.TOK"));
        QCOMPARE(ru->text(FrmPrinc::KEY_EXEFILE), QStringLiteral("\u0424\u0410\u0419\u041B.DLL"));
        QVERIFY(!ru->text(FrmPrinc::KEY_MODIF).isEmpty());
        QCOMPARE(ja->text(FrmPrinc::KEY_TOKENFILE), QStringLiteral("\u30BD\u30D5\u30C8.TOK"));
        QCOMPARE(ja->text(FrmPrinc::KEY_EXEFILE), QStringLiteral("\u30BD.DLL"));

        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->clear();
        clickRow(l, ru);
        clickRow(l, ja, Qt::ControlModifier);
        press(*w, "btExport");
        const QByteArray cwd = QFile::encodeName(QDir::currentPath());
        QCOMPARE(readFile(calls()),
                 cwd + "|rlman [-n] [25] [1] [-r] [demo.dll] [\xF4\xE0\xE9\xEB.tok] [\xF4\xE0\xE9\xEB.dll]\n" + cwd +
                     "|rlman [-n] [17] [1] [-r] [demo.dll] [\x83\x5C\x83\x74\x83\x67.tok] [\x83\x5C.dll]\n");
        const QString out = w->outputText();
        QVERIFY(out.contains(QStringLiteral("     - Exporatation des tokens vers  \u0444\u0430\u0439\u043B.dll\r\n")));
        QVERIFY(out.contains(QStringLiteral("     - Exporatation des tokens vers  \u30BD.dll\r\n")));
    }

    // No value floods the window: the list and the pane show at most 4096 bytes
    // of it and its length, the jobs still take it whole.
    void hugeValuesAreShownCut()
    {
        const QByteArray huge(300000, 'a');
        writeFile(m_dir->filePath(QStringLiteral("work/fr.prj")),
                  "demo.mpj\r\n" + huge + ".tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n" + huge + ".dll\r\n");
        auto w = openedWindow();
        const QString more = QStringLiteral("\u2026 (%1 caract\u00E8res)");
        QTreeWidgetItem *fr = list(*w)->topLevelItem(1);
        const QString upper = QString(4096, QLatin1Char('A'));
        QCOMPARE(fr->text(FrmPrinc::KEY_TOKENFILE), upper + more.arg(300004));
        QCOMPARE(fr->text(FrmPrinc::KEY_LANG), upper + more.arg(300000));
        QCOMPARE(fr->text(FrmPrinc::KEY_EXEFILE), upper + more.arg(300004));
        QCOMPARE(fr->data(FrmPrinc::KEY_EXEFILE, FrmPrinc::TagRole).toByteArray(), huge + ".dll");
        QVERIFY(w->outputText().contains(QStringLiteral("Attention : le fichier token ") + upper + more.arg(300004) +
                                         QStringLiteral(" du projet fr.prj est introuvable")));
        QVERIFY(w->outputText().size() < 20000);

        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->clear();
        selectRows(*w, {1});
        press(*w, "btImport");
        QVERIFY(w->outputText().contains(QStringLiteral("     - Importation des tokens du fichier ") +
                                         QString(4096, QLatin1Char('a')) + more.arg(300004) + QStringLiteral("\r\n")));
        QVERIFY(w->outputText().size() < 10000);
    }

    // A stored RLTools folder whose name is not UTF-8 serves with its bytes and
    // is written back unchanged as long as the box is not edited.
    void aStoredRLToolsFolderKeepsItsBytes()
    {
        const std::string root = QFile::encodeName(m_dir->path()).toStdString();
        const std::string rl = root + "/caf\xE9/";
        QVERIFY(QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(root + "/cafe"))));
        QCOMPARE(std::rename((root + "/cafe").c_str(), rl.c_str()), 0);
        QCOMPARE(std::rename((root + "/rltools/rlman").c_str(), (rl + "rlman").c_str()), 0);
        const QString ini = m_dir->filePath(QStringLiteral("cfg/Velmora Tamrix.ini"));
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("cfg"))));
        writeFile(ini, QByteArray("[General]\nAdminLeft=1500\nRLToolsPath=") + rl.c_str() + "\n");

        auto w = newWindow();
        w->show();
        auto *box = w->findChild<QLineEdit *>(QStringLiteral("txtRLPath"));
        QCOMPARE(box->text(), m_dir->path() + QStringLiteral("/caf\u00E9/"));
        w->OpenMasterProject(master());
        selectRows(*w, {});
        press(*w, "btActu");
        std::ifstream log(rl + "calls.log");
        std::string line;
        QVERIFY(std::getline(log, line));
        QVERIFY2(QByteArray::fromStdString(line).endsWith("|rlman [-m] [demo.mpj]"), line.c_str());
        press(*w, "btAdmin");
        QCOMPARE(m_desktop->starts.last().programBytes, rl + "RLAdmin.exe");
        w->TermineApp();
        QVERIFY(readFile(ini).contains(QByteArray::fromStdString("\nRLToolsPath=" + rl + "\n")));

        // Edited, the box's text is what is stored.
        auto edited = newWindow();
        edited->show();
        auto *editedBox = edited->findChild<QLineEdit *>(QStringLiteral("txtRLPath"));
        editedBox->setFocus();
        editedBox->setCursorPosition(editedBox->text().size());
        QTest::keyClick(editedBox, Qt::Key_Backspace);
        QTest::keyClicks(editedBox, QStringLiteral("/"));
        QCOMPARE(editedBox->text(), m_dir->path() + QStringLiteral("/caf\u00E9/"));
        QTest::keyClicks(editedBox, QStringLiteral("x/"));
        edited->TermineApp();
        QCOMPARE(m_settings->value(QStringLiteral("RLToolsPath"), QString()),
                 m_dir->path() + QStringLiteral("/caf\u00E9/x/"));
    }

    // A master folder whose name is not UTF-8 (copied from Windows): the jobs
    // run there and the editor gets the project's path byte for byte.
    void aMasterFolderNamedInWindows1252()
    {
        const std::string folder = QFile::encodeName(m_dir->path()).toStdString() + "/caf\xE9";
        QCOMPARE(std::rename(QFile::encodeName(m_dir->filePath(QStringLiteral("work"))).constData(), folder.c_str()),
                 0);
        auto w = newWindow();
        w->show();
        w->findChild<QLineEdit *>(QStringLiteral("txtRLPath"))->setText(rlFolder());
        w->OpenMasterProject(folder + "/demo.mpj");
        QCOMPARE(list(*w)->topLevelItemCount(), 3);
        // Shown as Windows shows it.
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtFileName"))->text(),
                 m_dir->path() + QStringLiteral("/caf\u00E9/demo.mpj"));
        QCOMPARE(CurrentFolderPath(), folder);
        selectRows(*w, {1});
        press(*w, "btActu");
        const QByteArray cwd = QByteArray::fromStdString(folder);
        QCOMPARE(readFile(calls()), cwd + "|rlman [-m] [demo.mpj]\n" + cwd +
                                        "|rlman [-n] [12] [1] [-l] [fr.prj] [demo.mpj] [fr.tok]\n");
        QVERIFY(!w->outputText().contains(QStringLiteral("       ! ")));
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            QVERIFY(entry.path().filename().string().rfind("~tamrix", 0) != 0);
        clickRow(list(*w), list(*w)->topLevelItem(1));
        press(*w, "btEdit");
        QCOMPARE(m_desktop->starts.last().argumentBytes, std::vector<std::string>{folder + "/fr.prj"});
        QCOMPARE(m_desktop->starts.last().folderBytes, folder);
    }

    // A folder others can write to: a language project named with line feeds
    // runs nothing (its row is left out, the pane says so), names with a blank,
    // "&" and "%" reach rlman as one argument each, a target outside the folder
    // is warned about, and no file appears but rlman's own.
    void hostileNamesRunNothingButRlman()
    {
        const std::string work = QFile::encodeName(m_dir->filePath(QStringLiteral("work"))).toStdString() + "/";
        const std::string hostile = "x\nsh -c \"cd ..; id > PWNED2\"\ntouch PWNED1\ny.prj";
        for (const std::string &name : {hostile, std::string("my project.prj"), std::string("100% & more.prj")})
            writeBytes(work + name, "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
        writeBytes(work + "out.prj", "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n../out side.dll\r\n");
        auto w = openedWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTreeWidget *l = list(*w);
        QCOMPARE(l->topLevelItemCount(), 7);
        QTreeWidgetItem *last = l->topLevelItem(6);
        QCOMPARE(last->text(FrmPrinc::KEY_PRJFILE),
                 QStringLiteral("x<LF>sh -c \"cd ..; id > PWNED2\"<LF>touch PWNED1<LF>y.prj"));
        auto *pane = w->findChild<QPlainTextEdit *>(QStringLiteral("txtOutput"));
        pane->clear();
        const QSet<QString> before = allFiles();

        clickRow(l, l->topLevelItem(0));
        QTest::keyClick(l, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(l->selectedItems().size(), 7);
        QTest::mouseClick(button(*w, "btActu"), Qt::LeftButton);
        const QByteArray cwd = QFile::encodeName(QDir::currentPath());
        const QByteArray tail = "] [demo.mpj] [fr.tok]\n";
        QCOMPARE(readFile(calls()), cwd + "|rlman [-m] [demo.mpj]\n" + cwd +
                                        "|rlman [-n] [12] [1] [-l] [100% & more.prj" + tail + cwd +
                                        "|rlman [-n] [7] [1] [-l] [DE.prj] [demo.mpj] [de\\de.tok]\n" + cwd +
                                        "|rlman [-n] [12] [1] [-l] [fr.prj" + tail + cwd +
                                        "|rlman [-n] [-l] [it.prj] [demo.mpj] [it.tok]\n" + cwd +
                                        "|rlman [-n] [12] [1] [-l] [my project.prj" + tail + cwd +
                                        "|rlman [-n] [12] [1] [-l] [out.prj" + tail);
        const QStringList lines = w->outputText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(lines.size() - 4),
                 QStringLiteral("    ! Projet x<LF>sh -c \"cd ..; id > PWNED2\"<LF>touch PWNED1<LF>y.prj "
                                "ignor\u00E9 : son nom contient un caract\u00E8re de contr\u00F4le"));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Op\u00E9ration termin\u00E9e ! "));

        QFile::remove(calls());
        pane->clear();
        clickRow(l, l->topLevelItem(5));
        QCOMPARE(l->selectedItems(), QList<QTreeWidgetItem *>{l->topLevelItem(5)});
        QTest::mouseClick(button(*w, "btExport"), Qt::LeftButton);
        QCOMPARE(readFile(calls()), cwd + "|rlman [-n] [12] [1] [-r] [demo.dll] [fr.tok] [../out side.dll]\n");
        QVERIFY(w->outputText().contains(
            QStringLiteral("     - Exporatation des tokens vers  ../out side.dll\r\n"
                           "       ! Attention : le fichier cible ../out side.dll est hors du dossier du projet "
                           "ma\u00EEtre\r\n\r\n")));
        QCOMPARE(allFiles() - before, QSet<QString>{QStringLiteral("rltools/calls.log")});
        QCOMPARE(before - allFiles(), QSet<QString>());

        // A master project named with a line feed is not opened.
        const std::string named = work + "de\nmo.mpj";
        writeBytes(named, "demo.dll\r\ndemo.tok\r\n");
        w->OpenMasterProject(named);
        QCOMPARE(w->masterFileName(), std::string("demo.mpj"));
        QCOMPARE(l->topLevelItemCount(), 7);
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtFileName"))->text(), master());
        QVERIFY(w->outputText().endsWith(QStringLiteral("Attention : le projet ma\u00EEtre ") +
                                         QString::fromStdString(work) +
                                         QStringLiteral("de<LF>mo.mpj n'est pas ouvert : son nom contient un "
                                                        "caract\u00E8re de contr\u00F4le.\r\n")));
    }

    void launching()
    {
        auto w = openedWindow();
        const QString programFolder = QFileInfo(QStringLiteral(TAMRIXCMD_PATH)).absolutePath();
        selectRows(*w, {1});
        press(*w, "btEdit");
        QTreeWidget *l = list(*w);
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->topLevelItem(1)).center());
        QCOMPARE(m_desktop->starts.size(), 2);
        const QString expectedProject = m_dir->filePath(QStringLiteral("work/")) + QStringLiteral("fr.prj");
        for (const auto &start : m_desktop->starts) {
            QCOMPARE(start.program, programFolder + QStringLiteral("/quenlit"));
            QCOMPARE(start.arguments, QStringList{expectedProject});
        }
        press(*w, "btAdmin");
        QCOMPARE(m_desktop->starts.last().program, rlFolder() + QStringLiteral("RLAdmin.exe"));
        QCOMPARE(m_desktop->starts.last().arguments, QStringList{QStringLiteral("demo.mpj")});
        QCOMPARE(m_desktop->starts.last().folder, QDir(m_dir->filePath(QStringLiteral("work"))).canonicalPath());

        selectRows(*w, {}); // the current row no longer selected
        m_desktop->starts.clear();
        press(*w, "btEdit");
        QVERIFY(m_desktop->starts.isEmpty());
        m_desktop->startSucceeds = false;
        press(*w, "btAdmin"); // nothing reported
        QVERIFY(m_desktop->errors.isEmpty());
    }

    void defaultRLToolsFolder_data()
    {
        QTest::addColumn<bool>("oursInstalled");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ours installed") << true << QString() << QStringLiteral("usr/lib/tamrix/rltools/");
        QTest::newRow("none installed") << false << QString() << QStringLiteral("C:\\RLTools\\");
        QTest::newRow("the setting wins") << true << QStringLiteral("/opt/RLTools/") << QStringLiteral("/opt/RLTools/");
    }

    void defaultRLToolsFolder()
    {
        QFETCH(bool, oursInstalled);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        const QDir root(m_dir->filePath(QStringLiteral("root")));
        QVERIFY(root.mkpath(QStringLiteral("usr/bin")));
        if (oursInstalled) {
            QVERIFY(root.mkpath(QStringLiteral("usr/lib/tamrix/rltools")));
            writeFile(root.filePath(QStringLiteral("usr/lib/tamrix/rltools/rlman")), "#!/bin/sh\n", true);
        }
        if (!stored.isNull())
            m_settings->setValue(QStringLiteral("RLToolsPath"), stored);
        FrmPrinc w(*m_desktop, *m_settings, root.filePath(QStringLiteral("usr/bin")));
        const QString expected = shown.startsWith(QLatin1String("usr/")) ? root.filePath(shown) : shown;
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("txtRLPath"))->text(), expected);
        w.TermineApp();
        QCOMPARE(m_settings->value(QStringLiteral("RLToolsPath"), QString()), expected);
    }

    void windowHasTheProgramsIcon()
    {
        auto w = newWindow();
        QVERIFY(!w->windowIcon().isNull());
        for (int size : {16, 32})
            QCOMPARE(w->windowIcon().pixmap(size, size).toImage(),
                     ProgramIcon(QStringLiteral("sardenne")).pixmap(size, size).toImage());
    }
};

QTEST_MAIN(SardenneTest)
#include "frmprinc_test.moc"
