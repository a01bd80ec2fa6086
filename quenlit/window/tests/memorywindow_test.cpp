// What the translator knows, in the editor window, driven as a user drives it:
// the translation memory's matches in the pane's line and the keys that take
// them, "Fill from memory...", the translations a save and an .obsolete file
// give it, a damaged database; misspelt words underlined, their context menu.
// Each test has a memory and a dictionary of its own under its own XDG_DATA_HOME.

#include "window/checks/checkpane.h"
#include "window/checks/fillpreview.h"
#include "window/memory/editormemory.h"
#include "window/spelling/editorspelling.h"
#include "window/tokenlistmodel.h"
#include "window/tokenlistview.h"
#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "qtestfiles.h"
#include "settingsstore.h"

#include "memory/sqlitememory.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace quenlit;

namespace {

const QByteArray kMasterTokens = "[[4|1|0|0|1|]]=&File\r\n"
                                 "[[6|1|2|1|1|]]=&Save\r\n"
                                 "[[6|1|4|3|1|]]=&Save\r\n"
                                 "[[6|1|5|4|1|]]=Save:\r\n"
                                 "[[6|1|6|5|1|]]=Name:\r\n";
// Row 1 and 2 are translated; rows 3, 4 and 5 need work, row 3 with a twin.
const QByteArray kProjectTokens = "[[4|1|0|0|4|]]=Fichier\r\n"
                                  "[[6|1|2|1|4|]]=&Enregistrer\r\n"
                                  "[[6|1|4|3|1|]]=&Save\r\n"
                                  "[[6|1|5|4|1|]]=Save:\r\n"
                                  "[[6|1|6|5|1|]]=Name:\r\n";

memory::Unit unit(const char *source, const char *translation)
{
    memory::Unit u;
    u.source = source;
    u.translation = translation;
    u.sourceLanguage = {9, 1};
    u.targetLanguage = {12, 1};
    u.origin.project = "/work/notepad/fr.prj";
    u.origin.time = 1;
    return u;
}

} // namespace

class MemoryWindowTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

    static CheckPane *paneLine(FrmPrinc &w) { return child<CheckPane>(w, "lbCheck"); }
    static QString message(FrmPrinc &w) { return w.statusBar()->currentMessage(); }
    std::string memoryPath() const { return ToPath(path(QStringLiteral("data/Velmora Tamrix/memory.sqlite"))); }

    void fillMemory(const std::vector<memory::Unit> &units)
    {
        auto opened = memory::OpenSqliteMemory(memoryPath());
        QVERIFY2(opened.memory, opened.failure.c_str());
        QCOMPARE(opened.memory->add(units), std::string());
    }
    std::vector<std::string> translationsOf(const char *source)
    {
        auto opened = memory::OpenSqliteMemory(memoryPath());
        memory::LookupQuery query;
        query.text = source;
        query.target = {12, 1};
        query.threshold = 100;
        std::vector<std::string> out;
        for (const memory::Match &m : opened.memory->lookup(query))
            out.push_back(m.unit.translation);
        return out;
    }
    static void openFill(FrmPrinc &w, FillPreviewDialog *&preview)
    {
        child<QAction>(w, "mnuFillFromMemory")->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT((preview = w.findChild<FillPreviewDialog *>()) && preview->isVisible(),
                                  qPrintable(message(w)), 10000);
        QTRY_VERIFY(preview->view()->hasFocus());
    }
    static QString cellOf(FillPreviewDialog *preview, int row, int column)
    {
        return preview->model()->data(preview->model()->index(row, column)).toString();
    }

    // The window with a dictionary folder of the test's own (empty: none).
    std::unique_ptr<FrmPrinc> spellingWindow(bool withDictionary)
    {
        QDir().mkpath(path(QStringLiteral("dicts")));
        if (withDictionary) {
            writeFile(path(QStringLiteral("dicts/fr_FR.aff")), "SET UTF-8\nTRY esianrtolcdugmphbyfvkwz\n");
            writeFile(path(QStringLiteral("dicts/fr_FR.dic")), "3\nNom\nEnregistrer\nFichier\n");
        }
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->spelling()->setDictionaryFolders({ToPath(path(QStringLiteral("dicts")))});
        w->show();
        if (!QTest::qWaitForWindowActive(w.get()))
            return nullptr;
        QSignalSpy ready(w->spelling(), &EditorSpelling::dictionaryReady);
        w->OpenProject(path(QStringLiteral("fr.prj")));
        if (ready.isEmpty() && !ready.wait())
            return nullptr;
        return w;
    }
    static QStringList words(EditorSpelling &spelling, QLineEdit *line)
    {
        QStringList out;
        for (const spelling::Misspelling &m : spelling.misspellings(line))
            out << QString::fromStdU16String(m.word);
        return out;
    }
    // Whether the line edit draws red (the underline) anywhere.
    static bool drawsRed(QLineEdit *line)
    {
        const QImage image = line->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 180 && c.red() - c.green() > 80 && c.red() - c.blue() > 80)
                    return true;
            }
        return false;
    }
    // Right-clicks the character at `position`, through the window as the
    // window system delivers a click, and gives the menu shown.
    static QMenu *contextMenuAt(QLineEdit *line, int position)
    {
        line->setCursorPosition(position);
        const QPoint at = line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center() + QPoint(2, 0);
        QWidget *window = line->window();
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, line->mapTo(window, at));
        if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()) != nullptr; }))
            return nullptr;
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }
    static QAction *actionNamed(QMenu *menu, const QString &text)
    {
        for (QAction *a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }

private slots:
    void init()
    {
        setUpFixture();
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        writeFrenchProject(kMasterTokens, kProjectTokens);
        fillMemory({unit("&Save", "&Sauver"), unit("&Save!", "&Sauvegarder !"), unit("&Save", "&Enregistrer"),
                    unit("Save :", "Enregistrement :"), unit("Something else", "Autre chose")});
    }

    void cleanup() { tearDownFixture(); }

    // The pane lists the glossary's terms of the master text; a translated token
    // that holds none of a term's translations is warned of, in the check column too.
    void glossaryTermsInThePane()
    {
        {
            auto opened = memory::OpenSqliteMemory(memoryPath());
            QCOMPARE(opened.memory->addTerms({{"save", "enregistrer", "", {0, 0}, {12, 1}},
                                              {"file", "dossier", "", {0, 0}, {12, 1}}}),
                     std::string());
        }
        auto w = openedWindow();
        QVERIFY(w);
        auto checkText = [&w](std::size_t row) {
            return w->tokenList()->index(w->tokenList()->itemOfRow(row), TokenListModel::CheckColumnIndex).data().toString();
        };
        const QString fileWarning = QStringLiteral("warning: [glossary] the translation holds none of the glossary's "
                                                   "translations of \"file\" (dossier)");
        QTRY_COMPARE(checkText(1), QStringLiteral("accelerator, glossary")); // "&File" translated "Fichier"
        clickRow(*w, 1);
        QTRY_VERIFY(paneLine(*w)->messages().contains(fileWarning));
        QVERIFY(paneLine(*w)->messages().contains(QStringLiteral("Terms: file \u2192 dossier")));
        clickRow(*w, 2); // "&Save" translated "&Enregistrer"
        QTRY_COMPARE(paneLine(*w)->messages(), QStringList({QStringLiteral("Terms: save \u2192 enregistrer")}));
        QCOMPARE(checkText(2), QString());
        clickRow(*w, 5);
        QTRY_VERIFY(paneLine(*w)->messages().isEmpty());
        clickRow(*w, 3);
        key(Qt::Key_Return);
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("&Sauver"));
        key(Qt::Key_Return);
        QTRY_COMPARE(checkText(3), QStringLiteral("glossary"));
        QTRY_COMPARE(paneLine(*w)->messages().value(0),
                     QStringLiteral("warning: [glossary] the translation holds none of the glossary's translations "
                                    "of \"save\" (enregistrer)"));
    }

    // After the twin, the memory's matches, best first, each with its score and
    // where it was translated, a fuzzy one with what differs; Ctrl+3 takes the third.
    void matchesInThePane()
    {
        auto w = openedWindow();
        QVERIFY(w);
        clickRow(*w, 3);
        QTRY_COMPARE(paneLine(*w)->suggestions(), QStringList({QStringLiteral("&Enregistrer"),
                                                               QStringLiteral("&Sauver"),
                                                               QStringLiteral("&Sauvegarder !")}));
        const QString line = paneLine(*w)->fullText();
        QVERIFY2(line.contains(QStringLiteral("&Sauver (100 % \u00B7 notepad fr.prj, Ctrl+2)")), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("&Sauvegarder ! (83 % \u00B7 notepad fr.prj, Ctrl+3) differs: &Save[-!-]")),
                 qPrintable(line));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("&Sauvegarder !"));
        QCOMPARE(w->document().projectTable().cellText(3, 0), std::string("&Save")); // nothing stored yet
        // After a similar twin.
        clickRow(*w, 4);
        QTRY_COMPARE(paneLine(*w)->suggestions(),
                     QStringList({QStringLiteral("Enregistrer:"), QStringLiteral("Enregistrement :")}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(box(*w)->text(), QStringLiteral("Enregistrement :"));
        // A translated token is offered nothing; nor one the threshold leaves out.
        clickRow(*w, 1);
        QTRY_VERIFY(paneLine(*w)->suggestions().isEmpty());
        w->memory()->setThreshold(90);
        clickRow(*w, 4);
        QSignalSpy shown(w->memory(), &EditorMemory::offersShown);
        QVERIFY(shown.wait());
        QCOMPARE(paneLine(*w)->suggestions(), QStringList({QStringLiteral("Enregistrer:")}));
    }

    // The preview lists each token that needs work with its best match; exact
    // ones are translated, fuzzy ones filled and left to be looked at, and one
    // Ctrl+Z takes all back. The threshold is an option, kept in the settings.
    void fillFromMemory()
    {
        auto w = openedWindow();
        QVERIFY(w);
        FillPreviewDialog *preview = nullptr;
        openFill(*w, preview);
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QStringLiteral("Fill from memory"));
        QCOMPARE(preview->model()->size(), std::size_t(2));
        QCOMPARE(cellOf(preview, 0, FillPreviewModel::ProposedColumn), QStringLiteral("&Sauver"));
        QCOMPARE(cellOf(preview, 0, FillPreviewModel::MatchColumn), QStringLiteral("100 %"));
        QCOMPARE(cellOf(preview, 1, FillPreviewModel::ProposedColumn), QStringLiteral("Enregistrement :"));
        QCOMPARE(cellOf(preview, 1, FillPreviewModel::MatchColumn), QStringLiteral("83 %"));
        QTest::keyClick(preview->view(), Qt::Key_Return);
        QTRY_VERIFY(!w->findChild<FillPreviewDialog *>());
        const TokenTable &project = w->document().projectTable();
        QCOMPARE(project.cellText(3, 0), std::string("&Sauver"));
        QCOMPARE(project.cellText(3, 5), std::string("4"));
        QCOMPARE(project.cellText(4, 0), std::string("Enregistrement :"));
        QCOMPARE(project.cellText(4, 5), std::string("1"));
        QCOMPARE(project.cellText(5, 0), std::string("Name:"));
        clickRow(*w, 1);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(project.cellText(3, 0), std::string("&Save"));
        QCOMPARE(project.cellText(4, 0), std::string("Save:"));
        QCOMPARE(project.cellText(4, 5), std::string("1"));

        // At 90 %, only the exact match.
        child<QAction>(*w, "mnuThreshold90")->trigger();
        QCOMPARE(m_settings->value(QStringLiteral("MemoryThreshold"), QString()), QStringLiteral("90"));
        preview = nullptr;
        openFill(*w, preview);
        QVERIFY(preview);
        QCOMPARE(preview->model()->size(), std::size_t(1));
        QTest::keyClick(preview->view(), Qt::Key_Escape);
        QTRY_VERIFY(!w->findChild<FillPreviewDialog *>());
        QCOMPARE(project.cellText(3, 0), std::string("&Save"));
        // The next window starts at 90.
        w.reset();
        w = openedWindow();
        QVERIFY(w);
        QCOMPARE(w->memory()->threshold(), 90);
        QVERIFY(child<QAction>(*w, "mnuThreshold90")->isChecked());
    }

    // A save gives the memory the project's translations, on a thread of its
    // own; the .obsolete file's translations go in once, when the project opens.
    void saveAndObsoleteFillTheMemory()
    {
        writeFile(path(QStringLiteral("fr.tok.obsolete")), ";&Print\r\n[[4|1|102|1|4|]]=&Imprimer\r\n");
        auto w = openedWindow();
        QVERIFY(w);
        QSignalSpy added(w->memory(), &EditorMemory::unitsAdded);
        QTRY_COMPARE(added.count(), 1);
        QCOMPARE(added.front().front().toString(), QString());
        QCOMPARE(translationsOf("&Print"), std::vector<std::string>({"&Imprimer"}));
        QVERIFY(!m_settings->value(QStringLiteral("MemoryObsolete/") +
                                       QString::number(qHash(QFile::encodeName(path(QStringLiteral("fr.tok.obsolete")))), 16),
                                   QString()).isEmpty());

        clickRow(*w, 5);
        key(Qt::Key_Return);
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(*w), QStringLiteral("Nom :"));
        key(Qt::Key_Return);
        child<QAction>(*w, "mnuSave")->trigger();
        QTRY_COMPARE(added.count(), 2);
        QCOMPARE(added.back().front().toString(), QString());
        QCOMPARE(translationsOf("Name:"), std::vector<std::string>({"Nom :"}));
        QCOMPARE(translationsOf("&File"), std::vector<std::string>({"Fichier"}));
    }

    // A damaged memory is set aside and told; the project opens all the same.
    void damagedMemory()
    {
        writeFile(path(QStringLiteral("data/Velmora Tamrix/memory.sqlite")), QByteArray(4096, 'x'));
        auto w = openedWindow();
        QVERIFY(w);
        QTRY_VERIFY2(message(*w).contains(QStringLiteral("was damaged")), qPrintable(message(*w)));
        QCOMPARE(w->document().projectTable().tokenCount(), std::size_t(5));
        clickRow(*w, 4);
        QSignalSpy shown(w->memory(), &EditorMemory::offersShown);
        QVERIFY(shown.wait());
        QTRY_COMPARE(paneLine(*w)->suggestions(), QStringList({QStringLiteral("Enregistrer:")})); // the twin alone
    }

    // Typed words the dictionary does not know are underlined; access keys,
    // placeholders, escapes and the master's words are not. The context menu
    // mends a word with a suggestion, or adds it to the personal word list.
    void misspeltWordsUnderlined()
    {
        auto w = spellingWindow(true);
        QVERIFY(w);
        QVERIFY(w->spelling()->speller());
        clickRow(*w, 5); // master "Name:"
        key(Qt::Key_Return);
        QLineEdit *line = box(*w);
        QCOMPARE(QApplication::focusWidget(), line);
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(line, QStringLiteral("Nomm &Enregistrer %s\\t Name"));
        QCOMPARE(words(*w->spelling(), line), QStringList({QStringLiteral("Nomm")}));
        QTRY_VERIFY(drawsRed(line));

        QMenu *menu = contextMenuAt(line, 1);
        QVERIFY(menu);
        QAction *nom = actionNamed(menu, QStringLiteral("Nom"));
        QVERIFY(nom);
        QVERIFY(actionNamed(menu, QStringLiteral("Add to dictionary")));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(nom).center());
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(line->text(), QStringLiteral("Nom &Enregistrer %s\\t Name"));
        QVERIFY(words(*w->spelling(), line).isEmpty());
        QTRY_VERIFY(!drawsRed(line));

        line->setFocus();
        QTest::keyClick(line, Qt::Key_End);
        QTest::keyClicks(line, QStringLiteral(" Quenlit"));
        QCOMPARE(words(*w->spelling(), line), QStringList({QStringLiteral("Quenlit")}));
        menu = contextMenuAt(line, line->text().size() - 2);
        QVERIFY(menu);
        QAction *add = actionNamed(menu, QStringLiteral("Add to dictionary"));
        QVERIFY(add);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(add).center());
        QTRY_VERIFY(words(*w->spelling(), line).isEmpty());
        QVERIFY(readFile(path(QStringLiteral("data/Velmora Tamrix/words-fr_FR.txt"))).contains("Quenlit"));

        // The in-place editor too.
        clickRow(*w, 4);
        key(Qt::Key_F2);
        QLineEdit *editor = nullptr;
        QTRY_VERIFY((editor = w->findChild<TokenListView *>()->tokenDelegate()->openEditor()));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("Enregistrr :"));
        QCOMPARE(words(*w->spelling(), editor), QStringList({QStringLiteral("Enregistrr")}));
        QTRY_VERIFY(drawsRed(editor));
    }

    // Without a dictionary for the language the status bar says so; the box works as ever.
    void noDictionary()
    {
        auto w = spellingWindow(false);
        QVERIFY(w);
        QCOMPARE(message(*w), QStringLiteral("No spelling dictionary for French: install hunspell-fr"));
        QVERIFY(!w->spelling()->speller());
        clickRow(*w, 5);
        key(Qt::Key_Return);
        QTest::keyClicks(box(*w), QStringLiteral("Nomm"));
        QVERIFY(words(*w->spelling(), box(*w)).isEmpty());
    }
};

QTEST_MAIN(MemoryWindowTest)
#include "memorywindow_test.moc"
