#include "placement.h"
#include "programicon.h"
#include "qtext.h"
#include "settingsstore.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
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
        QWidget w;
        w.setGeometry(100, 120, 400, 300);
        StorePlacement(&w, store, keys, twips);
        QCOMPARE(store.value(keys.left, QString()), QStringLiteral("1500"));
        QCOMPARE(store.value(keys.state, QString()), QStringLiteral("0"));

        QWidget other;
        other.setGeometry(10, 10, 50, 50);
        QCOMPARE(RestorePlacement(&other, store, keys, twips).state, 0);
        QCOMPARE(other.frameGeometry(), QRect(100, 120, 400, 300));

        store.setValue(keys.width, QStringLiteral("-30"));
        store.setValue(keys.height, QStringLiteral("1e30"));
        store.setValue(keys.state, QStringLiteral("7"));
        QWidget third;
        third.setGeometry(10, 10, 50, 60);
        QCOMPARE(RestorePlacement(&third, store, keys, twips).state, 0);
        QCOMPARE(third.size(), QSize(50, 60));
        store.setValue(keys.state, QStringLiteral("2"));
        QCOMPARE(RestorePlacement(&third, store, keys, twips).state, 2);
    }

    void tokenTexts()
    {
        QCOMPARE(FromTokenBytes("\xC9t\xE9 \x80"), QStringLiteral("\u00C9t\u00E9 \u20AC"));
        QCOMPARE(ToTokenBytes(QStringLiteral("\u00C9t\u00E9")).value_or("?"), std::string("\xC9t\xE9"));
        QVERIFY(!ToTokenBytes(QStringLiteral("\u0416")).has_value());
        QCOMPARE(TokenUpper(QStringLiteral("fran\u00E7ais.tok")), QStringLiteral("FRAN\u00C7AIS.TOK"));
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
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
