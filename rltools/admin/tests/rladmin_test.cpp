#include "rladmin.h"

#include "programicon.h"
#include "qtestfiles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

class RLAdminTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_questions;
    QStringList m_messages;
    bool m_answer = false;

    std::unique_ptr<RLAdmin> window()
    {
        return window(ToPath(m_dir.filePath(QStringLiteral("demo.mpj"))));
    }

    std::unique_ptr<RLAdmin> window(const std::string &master)
    {
        auto w = std::make_unique<RLAdmin>(
            master,
            [this](QWidget *, const QString &q) {
                m_questions << q;
                return m_answer;
            },
            [this](QWidget *, const QString &m) { m_messages << m; });
        return w;
    }

#ifdef TEST_IMAGES
    void copyImage(const QString &name)
    {
        QFile::remove(m_dir.filePath(name));
        QVERIFY(QFile::copy(QStringLiteral(TEST_IMAGES "/") + name, m_dir.filePath(name)));
    }
#endif

    static QPushButton *buttonStarting(const QWidget &w, const QString &text)
    {
        for (QPushButton *b : w.findChildren<QPushButton *>()) {
            if (b->text().startsWith(text))
                return b;
        }
        return nullptr;
    }
    static QPushButton *saveButton(const RLAdmin &w) { return buttonStarting(w, QStringLiteral("&Enregistrer")); }

    // Clicks "&Nouveau projet de langue...", types the values into the dialog's
    // boxes (the sub-language's replaces its "1") and clicks OK.
    static void createWithTheDialog(RLAdmin &w, const QStringList &values)
    {
        bool typed = false;
        QTimer::singleShot(0, &w, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            const QList<QLineEdit *> boxes = dialog->findChildren<QLineEdit *>();
            QCOMPARE(boxes.size(), values.size());
            for (int i = 0; i < boxes.size(); ++i) {
                QTest::mouseClick(boxes[i], Qt::LeftButton);
                boxes[i]->selectAll();
                QTest::keyClicks(boxes[i], values[i]);
            }
            QTest::mouseClick(buttonStarting(*dialog, QStringLiteral("OK")), Qt::LeftButton);
            if (dialog->isVisible()) // refused: the message is told, the dialog stays
                QTest::keyClick(dialog, Qt::Key_Escape);
            typed = true;
        });
        QTest::mouseClick(buttonStarting(w, QStringLiteral("&Nouveau projet")), Qt::LeftButton);
        QVERIFY(typed);
    }

private slots:
    void init()
    {
        m_questions.clear();
        m_messages.clear();
        writeFile(m_dir.filePath(QStringLiteral("demo.mpj")), "demo.dll\r\ndemo.tok\r\nkept line\r\n");
        writeFile(m_dir.filePath(QStringLiteral("fr.prj")),
                  "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
    }

    void showsAndEditsTheMasterProject()
    {
        auto w = window();
        QVERIFY(w->load());
        QCOMPARE(w->sourceEdit()->text(), QStringLiteral("demo.dll"));
        QCOMPARE(w->tokensEdit()->text(), QStringLiteral("demo.tok"));
        QCOMPARE(w->languageList()->topLevelItemCount(), 1);
        QCOMPARE(w->languageList()->topLevelItem(0)->text(2), QStringLiteral("LANGUAGE 12 1"));
        w->sourceEdit()->setText(QStringLiteral("bin/demo v2.dll"));
        QVERIFY(w->saveMaster());
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))),
                 QByteArray("bin/demo v2.dll\r\ndemo.tok\r\nkept line\r\n"));
    }

    void createsLanguageProjectsWithoutOverwritingUnasked()
    {
        auto w = window();
        QVERIFY(w->load());
        QVERIFY(w->createLanguageProject(QStringLiteral("de"), QStringLiteral("de.tok"), QStringLiteral("7"),
                                         QStringLiteral("1"), QStringLiteral("de/demo.dll")));
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("de.prj"))),
                 QByteArray("demo.mpj\r\nde.tok\r\ndemo.dll\r\n\r\n\r\nLANGUAGE 7 1\r\nde/demo.dll\r\n"));
        QCOMPARE(w->languageList()->topLevelItemCount(), 2);
        QVERIFY(m_questions.isEmpty());

        m_answer = false;
        QVERIFY(!w->createLanguageProject(QStringLiteral("fr.prj"), QStringLiteral("x.tok"), QStringLiteral("12"),
                                          QStringLiteral("1"), QStringLiteral("x.dll")));
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("fr.prj"))),
                 QByteArray("demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n"));
        m_answer = true;
        QVERIFY(w->createLanguageProject(QStringLiteral("fr.prj"), QStringLiteral("x.tok"), QStringLiteral("12"),
                                         QStringLiteral("1"), QStringLiteral("x.dll")));
        QVERIFY(readFile(m_dir.filePath(QStringLiteral("fr.prj"))).startsWith("demo.mpj\r\nx.tok\r\n"));

        QVERIFY(!w->createLanguageProject(QStringLiteral("it"), QStringLiteral("it.tok"), QStringLiteral("x"),
                                          QStringLiteral("1"), QStringLiteral("it.dll")));
        QVERIFY(!m_messages.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("it.prj"))));
    }

#ifdef TEST_IMAGES
    // The source language is chosen among the languages the source file holds,
    // with the mouse, and saved on line 3 of the master project.
    void sourceLanguageChosenAmongTheSourcesLanguages()
    {
        copyImage(QStringLiteral("languages.dll"));
        writeFile(m_dir.filePath(QStringLiteral("demo.mpj")), "languages.dll\r\ndemo.tok\r\n\r\nline four\r\n");
        auto w = window();
        QVERIFY(w->load());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QComboBox *box = w->sourceLanguageBox();
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items.size(), 7);
        QVERIFY(items[0].startsWith(QStringLiteral("Automatique")));
        QCOMPARE(items[1], QStringLiteral("neutre (LANGUAGE 0 0) \u2014 1 ressource"));
        QCOMPARE(items[2], QStringLiteral("arabe (LANGUAGE 1 1) \u2014 4 ressources"));
        QCOMPARE(items[3], QStringLiteral("catalan (LANGUAGE 3 1) \u2014 2 ressources"));
        QCOMPARE(items[4], QStringLiteral("anglais (LANGUAGE 9 0) \u2014 1 ressource"));
        QCOMPARE(items[5], QStringLiteral("anglais (LANGUAGE 9 1) \u2014 3 ressources"));
        QCOMPARE(items[6], QStringLiteral("fran\u00E7ais (LANGUAGE 12 1) \u2014 1 ressource"));
        QCOMPARE(box->currentIndex(), 0);

        // Open the list with a click and click Catalan.
        QTest::mouseClick(box, Qt::LeftButton);
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        // A list just opened takes no click for a double-click's time.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect rect = view->visualRect(box->model()->index(3, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(box->currentIndex(), 3);
        QTest::mouseClick(saveButton(*w), Qt::LeftButton);
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))),
                 QByteArray("languages.dll\r\ndemo.tok\r\nLANGUAGE 3 1\r\nline four\r\n"));

        // Read again, the choice shows; back to automatic with the keyboard.
        auto again = window();
        QVERIFY(again->load());
        again->show();
        QVERIFY(QTest::qWaitForWindowExposed(again.get()));
        QCOMPARE(again->sourceLanguageBox()->currentIndex(), 3);
        again->sourceLanguageBox()->setFocus();
        QTRY_VERIFY(again->sourceLanguageBox()->hasFocus());
        QTest::keyClick(again->sourceLanguageBox(), Qt::Key_Home);
        QCOMPARE(again->sourceLanguageBox()->currentIndex(), 0);
        QTest::mouseClick(saveButton(*again), Qt::LeftButton);
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))),
                 QByteArray("languages.dll\r\ndemo.tok\r\n\r\nline four\r\n"));
    }

    // A recorded language the source does not hold stays chosen; typing another
    // source file lists that file's languages.
    void sourceLanguageKeptAndListedAnew()
    {
        copyImage(QStringLiteral("languages.dll"));
        copyImage(QStringLiteral("sample.dll"));
        writeFile(m_dir.filePath(QStringLiteral("demo.mpj")), "sample.dll\r\ndemo.tok\r\nLANGUAGE 7 1\r\n");
        auto w = window();
        QVERIFY(w->load());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QComboBox *box = w->sourceLanguageBox();
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(1), QStringLiteral("anglais (LANGUAGE 9 1) \u2014 8 ressources"));
        QCOMPARE(box->currentText(), QStringLiteral("allemand (LANGUAGE 7 1) \u2014 absente du fichier source"));

        QTest::mouseClick(w->sourceEdit(), Qt::LeftButton);
        w->sourceEdit()->selectAll();
        QTest::keyClicks(w->sourceEdit(), QStringLiteral("languages.dll"));
        QTest::keyClick(w->sourceEdit(), Qt::Key_Tab);
        QCOMPARE(box->count(), 8);
        QCOMPARE(box->currentText(), QStringLiteral("allemand (LANGUAGE 7 1) \u2014 absente du fichier source"));
        QTest::mouseClick(saveButton(*w), Qt::LeftButton);
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))),
                 QByteArray("languages.dll\r\ndemo.tok\r\nLANGUAGE 7 1\r\n"));

        // A line 3 that says LANGUAGE but no language is shown and kept.
        writeFile(m_dir.filePath(QStringLiteral("demo.mpj")), "sample.dll\r\ndemo.tok\r\nLANGUAGE anglais\r\n");
        auto other = window();
        QVERIFY(other->load());
        QVERIFY(other->sourceLanguageBox()->currentText().contains(QStringLiteral("LANGUAGE anglais")));
        QVERIFY(other->saveMaster());
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))),
                 QByteArray("sample.dll\r\ndemo.tok\r\nLANGUAGE anglais\r\n"));
    }

    // Closed while the source field has the focus and a changed text: nothing
    // reaches the window as it is taken apart (run under valgrind to see it).
    void closedWhileTheSourceFieldHasTheFocus()
    {
        copyImage(QStringLiteral("languages.dll"));
        writeFile(m_dir.filePath(QStringLiteral("demo.mpj")), "languages.dll\r\ndemo.tok\r\n");
        auto w = window();
        QVERIFY(w->load());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::mouseClick(w->sourceEdit(), Qt::LeftButton);
        QTRY_VERIFY(w->sourceEdit()->hasFocus());
        QTest::keyClicks(w->sourceEdit(), QStringLiteral("x"));
        w.reset();
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("demo.mpj"))), QByteArray("languages.dll\r\ndemo.tok\r\n"));
    }
#endif

    // A master folder named in Windows-1252 (copied from Windows): its language
    // projects are listed and created there, names show as Windows shows them,
    // and the lines read keep their bytes.
    void aFolderNamedInWindows1252()
    {
        const std::string folder = ToPath(m_dir.path()) + "/caf\xE9";
        std::filesystem::create_directory(folder);
        auto put = [&folder](const std::string &name, const std::string &bytes) {
            std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
        };
        auto bytesOf = [&folder](const std::string &name) {
            std::ifstream in(folder + "/" + name, std::ios::binary);
            return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
        };
        put("demo.mpj", "d\xE9mo.dll\r\ndemo.tok\r\n");
        put("fr.prj", "demo.mpj\r\n\xE9t\xE9.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nsortie\\\xE9t\xE9.dll\r\n");
        put("\xE9t\xE9.Prj", "demo.mpj\r\nx.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nx.dll\r\n");
        auto w = window(folder + "/demo.mpj");
        QVERIFY(w->load());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(w->windowTitle().endsWith(QStringLiteral("/caf\u00E9/demo.mpj")));
        QCOMPARE(w->sourceEdit()->text(), QStringLiteral("d\u00E9mo.dll"));
        QTreeWidget *list = w->languageList();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("fr.prj"));
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("\u00E9t\u00E9.tok"));
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("sortie\\\u00E9t\u00E9.dll"));
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("\u00E9t\u00E9.Prj"));
        QCOMPARE(list->topLevelItem(1)->data(0, Qt::UserRole).toByteArray(), QByteArray("\xE9t\xE9.Prj"));

        QTest::mouseClick(saveButton(*w), Qt::LeftButton);
        QCOMPARE(bytesOf("demo.mpj"), QByteArray("d\xE9mo.dll\r\ndemo.tok\r\n"));

        createWithTheDialog(*w, {QStringLiteral("de"), QStringLiteral("de.tok"), QStringLiteral("7"),
                                 QStringLiteral("1"), QStringLiteral("de.dll")});
        QCOMPARE(bytesOf("de.prj"),
                 QByteArray("demo.mpj\r\nde.tok\r\nd\xE9mo.dll\r\n\r\n\r\nLANGUAGE 7 1\r\nde.dll\r\n"));
        QCOMPARE(list->topLevelItemCount(), 3);
        QVERIFY(m_messages.isEmpty());

        // A name that leads out of the folder, or that the jobs could not pass on, is refused.
        createWithTheDialog(*w, {QStringLiteral("../x"), QStringLiteral("x.tok"), QStringLiteral("7"),
                                 QStringLiteral("1"), QStringLiteral("x.dll")});
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(!std::filesystem::exists(ToPath(m_dir.path()) + "/x.prj"));
        QCOMPARE(list->topLevelItemCount(), 3);
    }

    void unreadableMasterProject()
    {
        RLAdmin w(
            ToPath(m_dir.filePath(QStringLiteral("missing.mpj"))), [](QWidget *, const QString &) { return false; },
            [this](QWidget *, const QString &m) { m_messages << m; });
        QVERIFY(!w.load());
        QCOMPARE(m_messages.size(), 1);
    }

    void windowHasTheProgramsIcon()
    {
        auto w = window();
        QVERIFY(!w->windowIcon().isNull());
        for (int size : {16, 32})
            QCOMPARE(w->windowIcon().pixmap(size, size).toImage(),
                     ProgramIcon(QStringLiteral("rladmin")).pixmap(size, size).toImage());
    }
};

QTEST_MAIN(RLAdminTest)
#include "rladmin_test.moc"
