// Projects in the code pages of their languages, driven as a translator drives
// them: Cyrillic and Japanese texts read, shown and typed (into the translation
// box and the list's in-place editor), characters the code page cannot hold
// refused, the code page of a project chosen in "&Options".

#include "window/codepagechoice.h"
#include "editorwindowfixture.h"
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QImage>
#include <QTest>
#include <QTreeView>

#include <memory>

using quenlit::CodePageChoice;
using quenlit::FrmPrinc;

namespace {

// The master tokens: English, or Greek (Windows-1253) when the master project
// records Greek as its source language.
const QByteArray kEnglishMaster = "[[4|1|1|0|1|]]=&File\r\n"
                                  "[[4|1|2|0|1|]]=&Open...\r\n"
                                  "[[6|1|7|0|1|x]]=Ready\r\n";
const QByteArray kGreekMaster = "[[4|1|1|0|1|]]=&\xC1\xF1\xF7\xE5\xDF\xEF\r\n" // &Αρχείο
                                "[[4|1|2|0|1|]]=&Open...\r\n"
                                "[[6|1|7|0|1|x]]=Ready\r\n";

// Russian in Windows-1251: "&Файл", an untranslated token, and "Готово" with
// 0x98, the one byte 1251 leaves undefined.
const QByteArray kRussianTokens = "[[4|1|1|0|4|]]=&\xD4\xE0\xE9\xEB\r\n"
                                  "[[4|1|2|0|1|]]=&Open...\r\n"
                                  "[[6|1|7|0|4|x]]=\xC3\xEE\xF2\xEE\xE2\xEE \x98\r\n";
// Arabic in 1256: "&جديد\tCtrl+N", a right-to-left text holding an escape.
const QByteArray kArabicTokens = "[[4|1|1|0|4|]]=&\xCC\xCF\xED\xCF\\tCtrl+N\r\n"
                                 "[[4|1|2|0|1|]]=&Open...\r\n"
                                 "[[6|1|7|0|4|x]]=\xCC\xCF\xED\xCF\r\n";
// Japanese in 932: "ファイル(&F)", an untranslated token, and "ソフトを表示 ゾポ",
// whose characters end in the bytes 0x5C, 0x5D and 0x7C.
const QByteArray kJapaneseTokens = "[[4|1|1|0|4|]]=\x83t\x83@\x83"
                                   "C\x83\x8B(&F)\r\n"
                                   "[[4|1|2|0|1|]]=&Open...\r\n"
                                   "[[6|1|7|0|4|x]]=\x83\\\x83t\x83g\x82\xF0\x95\\\x8E\xA6 \x83]\x83|\r\n";

} // namespace

class CodePagesWindowTest : public QObject, public EditorWindowFixture<>
{
    Q_OBJECT

    // A project of a language (its language line's two numbers) whose token
    // file holds `tokens`, beside a master project with `master` tokens and
    // line 3 `source` (the source language; empty for none).
    void writeProject(const char *language, const QByteArray &tokens, const QByteArray &master = kEnglishMaster,
                      const QByteArray &source = QByteArray())
    {
        writeFile(path(QStringLiteral("xx.prj")),
                  QByteArray("demo.mpj\r\nxx.tok\r\n\r\n\r\n\r\nLANGUAGE ") + language + "\r\nxx.dll\r\n");
        writeFile(path(QStringLiteral("demo.mpj")), "demo.dll\r\ndemo.tok\r\n" + source + "\r\n");
        writeFile(path(QStringLiteral("demo.tok")), master);
        writeFile(path(QStringLiteral("xx.tok")), tokens);
    }

    std::unique_ptr<FrmPrinc> openedWindow() { return EditorWindowFixture::openedWindow(QStringLiteral("xx.prj")); }

    static QLineEdit *master(FrmPrinc &w) { return child<QLineEdit>(w, QStringLiteral("txtOrgTok")); }
    static QLabel *codePageLabel(FrmPrinc &w) { return child<QLabel>(w, QStringLiteral("lbCodePage")); }
    static QAction *codePageEntry(FrmPrinc &w, unsigned number)
    {
        return child<QAction>(w, number ? QStringLiteral("mnuCodePage%1").arg(number)
                                        : QStringLiteral("mnuCodePageLanguage"));
    }
    static QString itemText(FrmPrinc &w, int item) { return w.tokenList()->index(item, 0).data().toString(); }
    static std::string cell(FrmPrinc &w, std::size_t row) { return w.document().projectTable().cellText(row, 0); }

    // The first and the last column of a cell where something is drawn on its ground.
    static std::pair<int, int> inkOf(const QImage &image, const QRect &cell)
    {
        const QRgb ground = image.pixel(cell.left() + 1, cell.top());
        int first = cell.right() + 1, last = cell.left() - 1;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (image.pixel(x, y) != ground) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
        return {first, last};
    }

    static void clickItem(FrmPrinc &w, int item)
    {
        const QRect rect = list(w)->visualRect(w.tokenList()->index(item, 0));
        QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    // Clicks the item, goes to the translation box with Enter, types over its
    // text and commits it with Enter.
    static void typeTranslation(FrmPrinc &w, int item, const QString &typed)
    {
        clickItem(w, item);
        QTest::keyClick(list(w), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(w));
        QTest::keyClick(box(w), Qt::Key_A, Qt::ControlModifier);
        typeText(box(w), typed);
        QTest::keyClick(box(w), Qt::Key_Return);
    }

    // Types a text as a keyboard of its script does: one key event per character,
    // carrying the character.
    static void typeText(QWidget *widget, const QString &text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString character = text.mid(i, length);
            const Qt::Key key = character.at(0).unicode() < 0x80
                                    ? static_cast<Qt::Key>(character.at(0).toUpper().unicode())
                                    : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Press, widget, key, character, Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, key, character, Qt::NoModifier);
            i += length - 1;
        }
    }

    static void save(FrmPrinc &w) { fileMenu(w, Qt::Key_S); }

private slots:
    void init()
    {
        setUpFixture();
    }

    void cleanup()
    {
        tearDownFixture();
    }

    void aProjectShowsTheTextsOfItsLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("tokens");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("codePage");
        QTest::newRow("Russian") << QByteArray("25 1") << kRussianTokens
                                 << QStringList{QStringLiteral("&Файл"), QStringLiteral("&Open..."),
                                                QStringLiteral("Готово ")}
                                 << QStringLiteral("cp1251");
        QTest::newRow("Japanese") << QByteArray("17 1") << kJapaneseTokens
                                  << QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("&Open..."),
                                                 QStringLiteral("ソフトを表示 ゾポ")}
                                  << QStringLiteral("cp932");
        QTest::newRow("Arabic") << QByteArray("1 1") << kArabicTokens
                                << QStringList{QStringLiteral("&\u062C\u062F\u064A\u062F\\tCtrl+N"),
                                               QStringLiteral("&Open..."), QStringLiteral("\u062C\u062F\u064A\u062F")}
                                << QStringLiteral("cp1256");
    }

    void aProjectShowsTheTextsOfItsLanguage()
    {
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, tokens);
        QFETCH(QStringList, texts);
        QFETCH(QString, codePage);
        writeProject(language.constData(), tokens);
        auto w = openedWindow();
        QVERIFY(w);
        QVERIFY(m_desktop->errors.isEmpty());
        QCOMPARE(w->tokenList()->rowCount(), 3);
        // (0x98, which 1251 leaves undefined, shows as whatever stands in for it.)
        for (int i = 0; i < 3; ++i)
            QVERIFY2(itemText(*w, i).startsWith(texts[i]), qPrintable(itemText(*w, i)));
        // Each text is drawn in the direction its box shows it in: a right-to-left
        // one from the right edge of its cell, the others from the left.
        const QImage shot = list(*w)->viewport()->grab().toImage();
        for (int i = 0; i < 3; ++i) {
            const QRect cell = list(*w)->visualRect(w->tokenList()->index(i, 0));
            const auto [first, last] = inkOf(shot, cell);
            QVERIFY2(first < last, "nothing drawn");
            if (texts[i].isRightToLeft())
                QVERIFY2(last > cell.right() - 12 && first > cell.left() + 20, qPrintable(texts[i]));
            else
                QVERIFY2(first < cell.left() + 12, qPrintable(texts[i]));
        }
        clickItem(*w, 0);
        QCOMPARE(master(*w)->text(), QStringLiteral("&File"));
        QCOMPARE(box(*w)->text(), texts[0]);
        QCOMPARE(codePageLabel(*w)->text(), codePage);
        QVERIFY(codePageLabel(*w)->isVisible());

        // Saved without an edit, the file is the same, byte for byte.
        save(*w);
        QCOMPARE(readFile(path(QStringLiteral("xx.tok"))), tokens);
    }

    void typedTextsAreStoredInTheProjectsCodePage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("tokens");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("Russian") << QByteArray("25 1") << kRussianTokens << QStringLiteral("&Открыть...")
                                 << QByteArray("&\xCE\xF2\xEA\xF0\xFB\xF2\xFC...");
        // ソ and 表 end in 0x5C, ゾ in 0x5D, ポ in 0x7C.
        QTest::newRow("Japanese") << QByteArray("17 1") << kJapaneseTokens << QStringLiteral("開く(&O) ソ表ゾポ")
                                  << QByteArray("\x8AJ\x82\xAD(&O) \x83\\\x95\\\x83]\x83|");
    }

    void typedTextsAreStoredInTheProjectsCodePage()
    {
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, tokens);
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        writeProject(language.constData(), tokens);
        auto w = openedWindow();
        QVERIFY(w);
        typeTranslation(*w, 1, typed);
        QVERIFY(m_desktop->errors.isEmpty());
        QCOMPARE(QByteArray::fromStdString(cell(*w, 2)), stored);
        QCOMPARE(itemText(*w, 1), typed);

        // The other lines go back as they were read, undefined bytes included.
        save(*w);
        QList<QByteArray> lines = tokens.split('\n');
        lines[1] = "[[4|1|2|0|4|]]=" + stored + '\r';
        QCOMPARE(readFile(path(QStringLiteral("xx.tok"))), lines.join('\n'));

        // Read again, the text shows as it was typed.
        auto again = openedWindow();
        QVERIFY(again);
        QCOMPARE(itemText(*again, 1), typed);
    }

    void theInPlaceEditorStoresInTheProjectsCodePage()
    {
        writeProject("25 1", kRussianTokens);
        auto w = openedWindow();
        QVERIFY(w);
        clickItem(*w, 1);
        QTest::keyClick(list(*w), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor && editor != box(*w));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        typeText(editor, QStringLiteral("Сохранить"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(QByteArray::fromStdString(cell(*w, 2)), QByteArray("\xD1\xEE\xF5\xF0\xE0\xED\xE8\xF2\xFC"));
    }

    void aCharacterTheCodePageCannotHoldIsRefused_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("tokens");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("codePage");
        QTest::newRow("Greek in Russian") << QByteArray("25 1") << kRussianTokens << QStringLiteral("Файл λόγος λ")
                                          << QStringLiteral("λόγος") << QStringLiteral("Windows-1251 (Cyrillic)");
        QTest::newRow("Japanese in Russian") << QByteArray("25 1") << kRussianTokens << QStringLiteral("日本 Файл")
                                             << QStringLiteral("日本") << QStringLiteral("Windows-1251 (Cyrillic)");
        QTest::newRow("Cyrillic in Western")
            << QByteArray("12 1") << QByteArray("[[4|1|2|0|1|]]=x\r\n[[4|1|2|0|1|]]=y\r\n") << QStringLiteral("Файл")
            << QStringLiteral("Файл") << QStringLiteral("Windows-1252 (Western)");
        QTest::newRow("Hangul in Japanese") << QByteArray("17 1") << kJapaneseTokens << QStringLiteral("ファイル 한")
                                            << QStringLiteral("한") << QStringLiteral("Windows-932 (Japanese)");
    }

    void aCharacterTheCodePageCannotHoldIsRefused()
    {
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, tokens);
        QFETCH(QString, typed);
        QFETCH(QString, named);
        QFETCH(QString, codePage);
        writeProject(language.constData(), tokens);
        auto w = openedWindow();
        QVERIFY(w);
        const std::string before = cell(*w, 2);
        typeTranslation(*w, 1, typed);
        QCOMPARE(m_desktop->errors.size(), 1);
        const QString message = m_desktop->errors.front();
        QVERIFY2(message.contains(QStringLiteral("cannot store these characters: ") + named + QLatin1Char('\n')),
                 qPrintable(message));
        QVERIFY2(message.contains(codePage), qPrintable(message));
        QCOMPARE(cell(*w, 2), before);
        // The typed text stays in the box for the translator to mend.
        QCOMPARE(box(*w)->text(), typed);
    }

    void theOriginalTokensAreInTheSourceLanguagesCodePage()
    {
        writeProject("25 1", kRussianTokens, kGreekMaster, "LANGUAGE 8 1");
        auto w = openedWindow();
        QVERIFY(w);
        clickItem(*w, 0);
        QCOMPARE(master(*w)->text(), QStringLiteral("&Αρχείο"));
        QCOMPARE(box(*w)->text(), QStringLiteral("&Файл"));
        QCOMPARE(codePageLabel(*w)->text(), QStringLiteral("cp1251"));
        QVERIFY(codePageLabel(*w)->toolTip().endsWith(
            QStringLiteral("The original tokens are read in Windows-1253 (Greek).")));
        // The original copied into a Russian project: Greek letters 1251 cannot hold.
        box(*w)->setFocus();
        QTest::keyClick(box(*w), Qt::Key_A, Qt::ControlModifier);
        typeText(box(*w), master(*w)->text());
        QTest::keyClick(box(*w), Qt::Key_Return);
        QCOMPARE(m_desktop->errors.size(), 1);
        QVERIFY(m_desktop->errors.front().contains(QStringLiteral("Αρχείο")));
    }

    void theCodePageOfAProjectCanBeChosen()
    {
        // A file in 1251 behind a language line that says English.
        writeProject("9 1", kRussianTokens);
        auto w = openedWindow();
        QVERIFY(w);
        QCOMPARE(itemText(*w, 0), QStringLiteral("&\u00D4\u00E0\u00E9\u00EB"));
        QVERIFY(codePageEntry(*w, 0)->isChecked());
        QCOMPARE(codePageEntry(*w, 0)->text(), QStringLiteral("&From the project's language: Windows-1252 (Western)"));

        codePageEntry(*w, 1251)->trigger();
        QVERIFY(m_desktop->errors.isEmpty());
        QCOMPARE(itemText(*w, 0), QStringLiteral("&Файл"));
        QVERIFY(codePageEntry(*w, 1251)->isChecked());
        QVERIFY(!codePageEntry(*w, 0)->isChecked());
        QCOMPARE(codePageLabel(*w)->text(), QStringLiteral("cp1251 (chosen)"));
        QVERIFY(
            codePageLabel(*w)->toolTip().contains(QStringLiteral("chosen for this project in Options > Code page")));
        const QString key =
            CodePageChoice::keyFor(CodePageChoice::absolutePath(path(QStringLiteral("xx.prj")).toStdString()));
        QVERIFY(key.startsWith(QStringLiteral("EditCodePage")));
        QCOMPARE(m_settings->value(key, QString()), QStringLiteral("1251"));

        // Typed text now goes in 1251.
        typeTranslation(*w, 1, QStringLiteral("Открыть"));
        QCOMPARE(QByteArray::fromStdString(cell(*w, 2)), QByteArray("\xCE\xF2\xEA\xF0\xFB\xF2\xFC"));

        // Another choice with work not saved: Cancel keeps everything, the menu included.
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Cancel};
        codePageEntry(*w, 1253)->trigger();
        QCOMPARE(m_desktop->saveQuestions, 1);
        QVERIFY(codePageEntry(*w, 1251)->isChecked());
        QVERIFY(!codePageEntry(*w, 1253)->isChecked());
        QCOMPARE(QByteArray::fromStdString(cell(*w, 2)), QByteArray("\xCE\xF2\xEA\xF0\xFB\xF2\xFC"));
        QCOMPARE(m_settings->value(key, QString()), QStringLiteral("1251"));

        // Yes saves the work in the code page it was typed in, then reads the file again.
        m_desktop->saveAnswers = {Desktop::SaveAnswer::Yes};
        codePageEntry(*w, 0)->trigger();
        QVERIFY(readFile(path(QStringLiteral("xx.tok"))).contains("[[4|1|2|0|4|]]=\xCE\xF2\xEA\xF0\xFB\xF2\xFC\r\n"));
        QVERIFY(codePageEntry(*w, 0)->isChecked());
        QCOMPARE(itemText(*w, 0), QStringLiteral("&\u00D4\u00E0\u00E9\u00EB"));
        QCOMPARE(codePageLabel(*w)->text(), QStringLiteral("cp1252"));

        // The choice is the project's: a window opened later takes it. ("&Save"
        // stays enabled after a save, so the question comes again.)
        m_desktop->saveAnswers = {Desktop::SaveAnswer::No};
        codePageEntry(*w, 1251)->trigger();
        QVERIFY(codePageEntry(*w, 1251)->isChecked());
        w.reset();
        QDir::setCurrent(m_originalDir);
        auto later = openedWindow();
        QVERIFY(later);
        QCOMPARE(itemText(*later, 0), QStringLiteral("&Файл"));
        QVERIFY(codePageEntry(*later, 1251)->isChecked());
    }

    void theChoiceIsOnlyOfferedWithAProjectOpen()
    {
        writeProject("25 1", kRussianTokens);
        auto w = openedWindow();
        QVERIFY(w);
        auto *menu = child<QMenu>(*w, QStringLiteral("mnuCodePage"));
        QVERIFY(menu && menu->isEnabled());
        fileMenu(*w, Qt::Key_C);
        QVERIFY(!menu->isEnabled());
        QVERIFY(!codePageLabel(*w)->isVisible());
        QCOMPARE(&w->document().projectCodePage(), &w->document().masterCodePage());
    }
};

QTEST_MAIN(CodePagesWindowTest)
#include "codepages_test.moc"
