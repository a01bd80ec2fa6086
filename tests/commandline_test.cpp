// The command line of both programs: a relative path is taken from the folder
// the program starts in, and a path keeps the bytes the system gave it.

#include "fakedesktop.h"
#include "outils.h"
#include "placement.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"
#include "../quenlit/window/frmprinc.h"
#include "../sardenne/admin/frmprinc.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// A language project and a second one beside a master project, in a folder
// whose name is given as bytes.
void writeProjects(const std::string &folder)
{
    std::filesystem::create_directories(folder);
    writeBytes(folder + "/demo.mpj", "demo.dll\r\ndemo.tok\r\n");
    writeBytes(folder + "/demo.tok", "[[4|1|1|0|1|]]=&File\r\n");
    writeBytes(folder + "/fr.prj", "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
    writeBytes(folder + "/fr.tok", "[[4|1|1|0|1|]]=&Fichier\r\n");
    writeBytes(folder + "/de.prj", "demo.mpj\r\nde.tok\r\n\r\n\r\n\r\nLANGUAGE 7 1\r\nde.dll\r\n");
    writeBytes(folder + "/de.tok", "[[4|1|1|0|1|]]=&Datei\r\n");
}

// The program's argument words, as main receives them.
struct Argv
{
    std::vector<std::string> words;
    std::vector<char *> pointers;
    explicit Argv(std::vector<std::string> w) : words(std::move(w))
    {
        for (std::string &word : words)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words.size()); }
    char **argv() { return pointers.data(); }
};

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestFolder> m_dir;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<QtSettingsStore> m_settings;
    QString m_saved;
    std::string m_root;

private slots:
    void init()
    {
        m_saved = QDir::currentPath();
        m_dir = std::make_unique<TestFolder>();
        m_root = QFile::encodeName(m_dir->path()).toStdString();
        m_desktop = std::make_unique<FakeDesktop>();
        m_settings = std::make_unique<QtSettingsStore>(m_dir->filePath(QStringLiteral("cfg/Velmora Tamrix.ini")));
        writeProjects(m_root + "/m1");
        writeProjects(m_root + "/my lang");
        writeProjects(m_root + "/caf\xE9");
        std::filesystem::create_directories(m_root + "/elsewhere");
    }

    void cleanup()
    {
        QDir::setCurrent(m_saved);
        m_settings.reset();
        m_dir.reset();
    }

    void editor_data()
    {
        QTest::addColumn<QByteArrayList>("words");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("relative folder") << QByteArrayList{"m1/fr.prj"} << QByteArray("m1/fr.prj");
        QTest::newRow("relative with ..") << QByteArrayList{"../m1/fr.prj"} << QByteArray("../m1/fr.prj");
        QTest::newRow("blank in the folder") << QByteArrayList{"my", "lang/fr.prj"} << QByteArray("my lang/fr.prj");
        QTest::newRow("not UTF-8") << QByteArrayList{"caf\xE9/fr.prj"} << QByteArray("caf\xE9/fr.prj");
        QTest::newRow("absolute, not UTF-8") << QByteArrayList{"<root>/caf\xE9/fr.prj"}
                                             << QByteArray("<root>/caf\xE9/fr.prj");
    }

    void editor()
    {
        QFETCH(QByteArrayList, words);
        QFETCH(QByteArray, shown);
        const QByteArray root = QByteArray::fromStdString(m_root);
        shown.replace("<root>", root);
        std::vector<std::string> argv{"quenlit"};
        for (QByteArray w : words)
            argv.push_back(w.replace("<root>", root).toStdString());
        // "../" starts from a folder beside the projects.
        QDir::setCurrent(words.front().startsWith("..") ? m_dir->filePath(QStringLiteral("elsewhere"))
                                                         : m_dir->path());
        Argv args(argv);
        quenlit::FrmPrinc w(*m_desktop, *m_settings);
        w.start(outils::CommandLineArgument(args.argc(), args.argv()));
        QTRY_VERIFY(w.tokenList()->rowCount() > 0 || !m_desktop->errors.isEmpty());
        QCOMPARE(m_desktop->errors, QStringList());
        QCOMPARE(w.tokenList()->rowCount(), 1);
        // The caption shows the argument as it was passed.
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmora Quenlit - ") + QFile::decodeName(shown));
        QVERIFY(w.TermineApp());
    }

    void admin_data()
    {
        QTest::addColumn<QByteArrayList>("words");
        QTest::addColumn<QString>("shown"); // as Windows shows it when it is not UTF-8
        QTest::newRow("relative folder") << QByteArrayList{"m1/demo.mpj"} << QStringLiteral("m1/demo.mpj");
        QTest::newRow("blank in the folder") << QByteArrayList{"my", "lang/demo.mpj"}
                                             << QStringLiteral("my lang/demo.mpj");
        QTest::newRow("not UTF-8") << QByteArrayList{"caf\xE9/demo.mpj"} << QStringLiteral("caf\u00E9/demo.mpj");
    }

    void admin()
    {
        QFETCH(QByteArrayList, words);
        QFETCH(QString, shown);
        std::vector<std::string> argv{"sardenne"};
        for (const QByteArray &w : words)
            argv.push_back(w.toStdString());
        QDir::setCurrent(m_dir->path());
        Argv args(argv);
        sardenne::FrmPrinc w(*m_desktop, *m_settings, QString());
        w.start(outils::CommandLineArgument(args.argc(), args.argv()));
        auto *list = w.findChild<QTreeWidget *>(QStringLiteral("lvLang"));
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(sardenne::FrmPrinc::KEY_PRJFILE), QStringLiteral("de.prj"));
        QVERIFY(!list->topLevelItem(0)->text(sardenne::FrmPrinc::KEY_MODIF).isEmpty());
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("txtFileName"))->text(), shown);
        // The folder of the master project is the current one, as the jobs expect.
        const std::string argument = words.join(' ').toStdString();
        QCOMPARE(std::filesystem::current_path(),
                 std::filesystem::canonical(m_root + "/" + argument.substr(0, argument.rfind('/'))));
        w.TermineApp();
    }
};

QTEST_MAIN(CommandLineTest)
#include "commandline_test.moc"
