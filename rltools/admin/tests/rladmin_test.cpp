#include "rladmin.h"

#include "programicon.h"
#include "qtestfiles.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
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
