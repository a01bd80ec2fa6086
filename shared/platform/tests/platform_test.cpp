#include "fakedesktop.h"
#include "placement.h"
#include "programicon.h"
#include "programplaces.h"
#include "qtext.h"
#include "settingsstore.h"

#include "charset.h"
#include "codepage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void settingsKeepTheOtherProgramsKeys()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Velmora Tamrix.ini"));
        {
            QtSettingsStore admin(ini);
            admin.setValue(QStringLiteral("RLToolsPath"), QStringLiteral("C:\\RLTools\\"));
            admin.setValue(QStringLiteral("AdminLeft"), QStringLiteral("1200,5"));
            admin.sync();
        }
        {
            QtSettingsStore editor(ini);
            editor.setValue(QStringLiteral("EditLeft"), QStringLiteral("300"));
            editor.sync();
        }
        QtSettingsStore again(ini);
        QCOMPARE(again.value(QStringLiteral("RLToolsPath"), QString()), QStringLiteral("C:\\RLTools\\"));
        QCOMPARE(again.value(QStringLiteral("AdminLeft"), QString()), QStringLiteral("1200,5"));
        QCOMPARE(again.value(QStringLiteral("EditLeft"), QString()), QStringLiteral("300"));
        QCOMPARE(again.value(QStringLiteral("Missing"), QStringLiteral("dflt")), QStringLiteral("dflt"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("[General]"));
    }

    void handWrittenCommasReadBackWhole()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nAdminLeft=1200,5\nShowReadOnly=\n");
        file.close();
        QtSettingsStore store(ini);
        QCOMPARE(store.value(QStringLiteral("AdminLeft"), QString()), QStringLiteral("1200,5"));
        QCOMPARE(store.value(QStringLiteral("ShowReadOnly"), QStringLiteral("0")), QString());
    }

    void twips()
    {
        const Twips at96(96);
        QCOMPARE(at96.perPixel(), 15.0);
        QCOMPARE(at96.toPixels(8670), 578);
        QCOMPARE(at96.fromPixels(578), 8670.0f);
        const Twips at144(144);
        QCOMPARE(at144.toPixels(1440), 144);
    }

    void placementRoundTripAndUnusableValues()
    {
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath(QStringLiteral("p.ini")));
        const auto keys = PlacementKeys::withPrefix(QStringLiteral("Test"));
        const Twips twips(96);
        const FakeDesktop desktop;
        QWidget w;
        w.setGeometry(100, 120, 400, 300);
        StorePlacement(&w, store, keys, twips);
        QCOMPARE(store.value(keys.left, QString()), QStringLiteral("1500"));
        QCOMPARE(store.value(keys.state, QString()), QStringLiteral("0"));

        QWidget other;
        other.setGeometry(10, 10, 50, 50);
        QCOMPARE(RestorePlacement(&other, store, keys, twips, desktop).state, 0);
        QCOMPARE(other.frameGeometry(), QRect(100, 120, 400, 300));

        store.setValue(keys.width, QStringLiteral("-30"));
        store.setValue(keys.height, QStringLiteral("1e30"));
        store.setValue(keys.state, QStringLiteral("7"));
        QWidget third;
        third.setGeometry(10, 10, 50, 60);
        QCOMPARE(RestorePlacement(&third, store, keys, twips, desktop).state, 0);
        QCOMPARE(third.size(), QSize(50, 60));
        store.setValue(keys.state, QStringLiteral("2"));
        QCOMPARE(RestorePlacement(&third, store, keys, twips, desktop).state, 2);
    }

    void valuesTheScreensCannotHold_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("kept"); // l, t, w, h: which values are taken
        // Two screens side by side: 1920 x 1080, then 1280 x 1024; the virtual desktop is 3200 x 1080.
        QTest::newRow("ordinary") << 100 << 80 << 600 << 400 << QStringLiteral("ltwh");
        QTest::newRow("15,000,000 twips wide") << 100 << 80 << 1000000 << 400 << QStringLiteral("lth");
        QTest::newRow("15,000,000 twips high") << 100 << 80 << 600 << 1000000 << QStringLiteral("ltw");
        QTest::newRow("wider than a screen, within the desktop") << 0 << 0 << 3200 << 1080 << QStringLiteral("ltwh");
        QTest::newRow("wider than the desktop") << 0 << 0 << 3201 << 400 << QStringLiteral("lth");
        QTest::newRow("on the second screen") << 2500 << 900 << 600 << 400 << QStringLiteral("ltwh");
        QTest::newRow("title bar partly above the screens") << 100 << -10 << 600 << 400 << QStringLiteral("ltwh");
        QTest::newRow("title bar partly left of the screens") << -590 << 80 << 600 << 400 << QStringLiteral("ltwh");
        QTest::newRow("title bar above every screen") << 100 << -30 << 600 << 400 << QStringLiteral("wh");
        QTest::newRow("left of every screen") << -700 << 80 << 600 << 400 << QStringLiteral("wh");
        // Below the second screen, beside the first: inside the desktop's bounds, on no screen.
        QTest::newRow("in the corner no screen covers") << 2500 << 1050 << 600 << 400 << QStringLiteral("wh");
        QTest::newRow("below every screen") << 100 << 5000 << 600 << 400 << QStringLiteral("wh");
    }

    // Sizes larger than the virtual desktop and positions that put the whole
    // title bar off every screen count as missing.
    void valuesTheScreensCannotHold()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, kept);
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath(QStringLiteral("p.ini")));
        const auto keys = PlacementKeys::withPrefix(QStringLiteral("Test"));
        const Twips twips(96);
        FakeDesktop desktop;
        desktop.screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        store.setValue(keys.left, QString::number(left * 15));
        store.setValue(keys.top, QString::number(top * 15));
        store.setValue(keys.width, QString::number(width * 15));
        store.setValue(keys.height, QString::number(height * 15));

        const QRect current(300, 200, 500, 350);
        const StoredPlacement read = ReadPlacement(store, keys, twips, desktop.screenGeometries(), current);
        QCOMPARE(read.left.has_value(), kept.contains(QLatin1Char('l')));
        QCOMPARE(read.top.has_value(), kept.contains(QLatin1Char('t')));
        QCOMPARE(read.width.has_value(), kept.contains(QLatin1Char('w')));
        QCOMPARE(read.height.has_value(), kept.contains(QLatin1Char('h')));

        // A window keeps its current value where one is missing, and the store
        // gets sane values back.
        QWidget w;
        w.setGeometry(current);
        RestorePlacement(&w, store, keys, twips, desktop);
        const QRect expected(read.left ? left : current.x(), read.top ? top : current.y(),
                             read.width ? width : current.width(), read.height ? height : current.height());
        QCOMPARE(w.geometry(), expected);
        StorePlacement(&w, store, keys, twips);
        QCOMPARE(store.value(keys.width, QString()), QString::number(expected.width() * 15));
        QCOMPARE(store.value(keys.height, QString()), QString::number(expected.height() * 15));
        QCOMPARE(store.value(keys.left, QString()), QString::number(expected.x() * 15));
    }

    // The box of a question: Enter takes the default button, Escape the escape
    // button, a click the button clicked; the details are there to unfold.
    void questionsAnswerWithTheirButtons_data()
    {
        QTest::addColumn<int>("action"); // 0 Enter, 1 Escape, 2 click on the second button
        QTest::addColumn<int>("expected");
        QTest::newRow("enter") << 0 << 2;
        QTest::newRow("escape") << 1 << 0;
        QTest::newRow("click") << 2 << 1;
    }

    void questionsAnswerWithTheirButtons()
    {
        QFETCH(int, action);
        QFETCH(int, expected);
        QtDesktop desktop;
        Desktop::Question question;
        question.title = QStringLiteral("Title");
        question.text = QStringLiteral("Text");
        question.details = QStringLiteral("Details");
        question.buttons = {QStringLiteral("&Keep"), QStringLiteral("&Second"), QStringLiteral("&Third")};
        question.defaultButton = 2;
        question.escapeButton = 0;
        QString seenDetails;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenDetails = box->detailedText();
            QCOMPARE(box->windowTitle(), QStringLiteral("Title"));
            if (action == 0) {
                QTest::keyClick(box, Qt::Key_Return);
            } else if (action == 1) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                QAbstractButton *second = nullptr;
                for (QAbstractButton *b : box->buttons()) {
                    if (b->text() == QStringLiteral("&Second"))
                        second = b;
                }
                QVERIFY(second);
                QTest::mouseClick(second, Qt::LeftButton);
            }
        });
        QCOMPARE(desktop.ask(nullptr, question), expected);
        QCOMPARE(seenDetails, QStringLiteral("Details"));
    }

    void tokenTexts()
    {
        QCOMPARE(FromTokenBytes("\xC9t\xE9 \x80"), QStringLiteral("\u00C9t\u00E9 \u20AC"));
        QCOMPARE(ToTokenBytes(QStringLiteral("\u00C9t\u00E9")).value_or("?"), std::string("\xC9t\xE9"));
        QVERIFY(!ToTokenBytes(QStringLiteral("\u0416")).has_value());
        QCOMPARE(TokenUpper(QStringLiteral("fran\u00E7ais.tok")), QStringLiteral("FRAN\u00C7AIS.TOK"));
    }

    void tokenTextsInTheirCodePages()
    {
        const CodePage &cyrillic = CodePage::get(1251);
        const CodePage &japanese = CodePage::get(932);
        QCOMPARE(FromTokenBytes("\xD4\xE0\xE9\xEB", cyrillic), QStringLiteral("\u0424\u0430\u0439\u043B"));
        QCOMPARE(ToTokenBytes(QStringLiteral("\u0424\u0430\u0439\u043B"), cyrillic).value_or("?"),
                 std::string("\xD4\xE0\xE9\xEB"));
        QVERIFY(!ToTokenBytes(QStringLiteral("caf\u00E9"), cyrillic).has_value());
        QCOMPARE(FromTokenBytes("\x83\x5C\x83\x74\x83\x67", japanese), QStringLiteral("\u30BD\u30D5\u30C8"));
        // Undefined bytes come back as themselves through the text.
        const QString odd = FromTokenBytes("a\x81 \xA0", japanese);
        QCOMPARE(ToTokenBytes(odd, japanese).value_or("?"), std::string("a\x81 \xA0"));
        QCOMPARE(UnstorableCharacters(QStringLiteral("\u00E9t\u00E9 \u0416 \u00E7a"), cyrillic),
                 QStringLiteral("\u00E9\u00E7"));
        QCOMPARE(CodePageName(1251), QStringLiteral("Windows-1251 (Cyrillic)"));
        QCOMPARE(CodePageName(932), QStringLiteral("Windows-932 (Japanese)"));
    }

    void fileNamesAsShown_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("\xC3\xBC" "ber.prj") << QStringLiteral("\u00FCber.prj");
        QTest::newRow("Windows-1252") << QByteArray("caf\xE9/\x80.prj") << QStringLiteral("caf\u00E9/\u20AC.prj");
        QTest::newRow("undefined in Windows-1252") << QByteArray("a\x81\x9D") << QStringLiteral("a\u0081\u009D");
        QTest::newRow("line feed and tab") << QByteArray("a\nb\tc") << QStringLiteral("a<LF>b<TAB>c");
        QTest::newRow("control bytes in Windows-1252") << QByteArray("\xE9\r\x1B") << QStringLiteral("\u00E9<CR><ESC>");
    }

    // Never a replacement character, never a line end.
    void fileNamesAsShown()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(DisplayFileName(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))), shown);
    }

    void upperCaseFollowsTheCodePage()
    {
        QCOMPARE(TokenUpper(QStringLiteral("\u00E9t\u00E9.tok"), CodePage::get(1252)),
                 QStringLiteral("\u00C9T\u00C9.TOK"));
        QCOMPARE(TokenUpper(QStringLiteral("\u0444\u0430\u0439\u043B.tok"), CodePage::get(1251)),
                 QStringLiteral("\u0424\u0410\u0419\u041B.TOK"));
        QCOMPARE(TokenUpper(QStringLiteral("\u03B1\u03C2.tok"), CodePage::get(1253)), QStringLiteral("\u0391\u03A3.TOK"));
        // Fullwidth letters have fullwidth capitals in 932; kana have none.
        QCOMPARE(TokenUpper(QStringLiteral("\uFF41\u30BD"), CodePage::get(932)), QStringLiteral("\uFF21\u30BD"));
        // A capital the code page lacks is not taken (micro sign), nor a capital of two letters (sharp s).
        QCOMPARE(TokenUpper(QStringLiteral("\u00B5\u00DF"), CodePage::get(1252)), QStringLiteral("\u00B5\u00DF"));
        // Windows-1252 upper-cases exactly as its own codec does, byte by byte.
        const Charset &reference = Charset::windows1252();
        for (int b = 0; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            QCOMPARE(ToTokenBytes(TokenUpper(FromTokenBytes(one), CodePage::get(1252))).value_or("?"),
                     reference.toUpper(one));
        }
    }

    void programIconsHaveEverySizeAndDiffer()
    {
        const QList<QSize> sizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
        QList<QImage> at16;
        for (const char *name : {"quenlit", "sardenne", "rladmin"}) {
            const QIcon icon = ProgramIcon(QString::fromLatin1(name));
            QVERIFY2(!icon.isNull(), name);
            QCOMPARE(icon.availableSizes(), sizes);
            for (const QSize &size : sizes) {
                const QImage image = icon.pixmap(size).toImage();
                QCOMPARE(image.size(), size);
                // Drawn, not blank: the middle of every picture is opaque.
                QVERIFY2(qAlpha(image.pixel(size.width() / 2, size.height() / 2)) > 0, name);
            }
            at16.append(icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32));
        }
        QVERIFY(at16[0] != at16[1]);
        QVERIFY(at16[0] != at16[2]);
        QVERIFY(at16[1] != at16[2]);
        QVERIFY(ProgramIcon(QStringLiteral("nosuchprogram")).isNull());
    }

    void programPlaces_data()
    {
        // Programs written under a temporary root (a name ending with "-" without
        // the right to run it), the running program's folder, and what is found.
        QTest::addColumn<QString>("programs");
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("interpreter");
        QTest::addColumn<QString>("rltools");
        const auto row = [](const char *name, const char *programs, const char *folder, const char *interpreter,
                            const char *rltools) {
            QTest::newRow(name) << QString::fromLatin1(programs) << QString::fromLatin1(folder)
                                << QString::fromLatin1(interpreter) << QString::fromLatin1(rltools);
        };
        row("installed", "usr/bin/sardenne usr/lib/tamrix/tamrixcmd usr/lib/tamrix/rltools/rlman", "usr/bin",
            "usr/lib/tamrix/tamrixcmd", "usr/lib/tamrix/rltools/");
        row("built", "build/bin/sardenne build/bin/tamrixcmd build/bin/rltools/rlman", "build/bin",
            "build/bin/tamrixcmd", "build/bin/rltools/");
        row("installed wins over a stray copy beside",
            "usr/bin/tamrixcmd usr/bin/rltools/rlman usr/lib/tamrix/tamrixcmd usr/lib/tamrix/rltools/rlman", "usr/bin",
            "usr/lib/tamrix/tamrixcmd", "usr/lib/tamrix/rltools/");
        row("nothing beside", "opt/x/sardenne", "opt/x", "opt/x/tamrixcmd", "");
        row("a folder named rltools without rlman", "opt/x/rltools/RLAdmin.exe", "opt/x", "opt/x/tamrixcmd", "");
        row("programs that cannot run", "opt/x/tamrixcmd- opt/x/rltools/rlman-", "opt/x", "opt/x/tamrixcmd", "");
    }

    void programPlaces()
    {
        QFETCH(QString, programs);
        QFETCH(QString, programFolder);
        QFETCH(QString, interpreter);
        QFETCH(QString, rltools);
        QTemporaryDir dir;
        const QDir root(dir.path());
        for (QString program : programs.split(QLatin1Char(' '))) {
            // A name ending with "-" is written without the right to run it.
            const bool runnable = !program.endsWith(QLatin1Char('-'));
            if (!runnable)
                program.chop(1);
            QVERIFY(root.mkpath(QFileInfo(program).path()));
            QFile file(root.filePath(program));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            if (runnable)
                file.setPermissions(file.permissions() | QFile::ExeOwner);
        }
        // The folder as the running program sees it, which may hold "..".
        const QString folder = root.filePath(programFolder) + QStringLiteral("/../") + QFileInfo(programFolder).fileName();
        QCOMPARE(ProgramPlaces::Interpreter(folder), QDir::cleanPath(root.filePath(interpreter)));
        QCOMPARE(ProgramPlaces::OurRLToolsFolder(folder),
                 rltools.isEmpty() ? QString() : QDir::cleanPath(root.filePath(rltools)) + QLatin1Char('/'));
    }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
