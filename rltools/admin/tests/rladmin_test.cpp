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
#include <QTreeWidget>

class RLAdminTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_questions;
    QStringList m_messages;
    bool m_answer = false;

    std::unique_ptr<RLAdmin> window()
    {
        auto w = std::make_unique<RLAdmin>(
            m_dir.filePath(QStringLiteral("demo.mpj")),
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

    static QPushButton *saveButton(const RLAdmin &w)
    {
        for (QPushButton *b : w.findChildren<QPushButton *>()) {
            if (b->text().startsWith(QStringLiteral("&Enregistrer")))
                return b;
        }
        return nullptr;
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

    void unreadableMasterProject()
    {
        RLAdmin w(m_dir.filePath(QStringLiteral("missing.mpj")), [](QWidget *, const QString &) { return false; },
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
