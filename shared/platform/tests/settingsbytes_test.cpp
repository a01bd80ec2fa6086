#include "settingsstore.h"

#include "qtestfiles.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The settings file is read and written by our own code, in the form Qt's INI
// format uses, so that values keep their bytes.
class SettingsBytesTest : public QObject
{
    Q_OBJECT

    static QStringList texts()
    {
        return {QStringLiteral("C:\\RLTools\\"), QString(), QStringLiteral("a, b"), QStringLiteral(" lead"),
                QStringLiteral("trail "), QStringLiteral("x=y;z#w"), QStringLiteral("q\"uote'"),
                QStringLiteral("tab\there\nnew line\r"), QStringLiteral("@at"), QStringLiteral("@Invalid()"),
                QStringLiteral("\u00E9t\u00E9 \u65E5\u672C"), QStringLiteral("1200,5"), QStringLiteral("ctl\u0001f")};
    }

private slots:
    void filesWrittenByQtReadTheSame()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        const QStringList values = texts();
        {
            QSettings qt(ini, QSettings::IniFormat);
            for (int i = 0; i < values.size(); ++i)
                qt.setValue(QStringLiteral("Key%1").arg(i), values[i]);
            qt.setValue(QStringLiteral("Other/Key"), QStringLiteral("in a group"));
            qt.setValue(QStringLiteral("odd key/x y"), QStringLiteral("escaped key"));
        }
        QtSettingsStore ours(ini);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(ours.value(QStringLiteral("Key%1").arg(i), QStringLiteral("<missing>")), values[i]);
        QCOMPARE(ours.value(QStringLiteral("Other/Key"), QString()), QStringLiteral("in a group"));
        QCOMPARE(ours.value(QStringLiteral("odd key/x y"), QString()), QStringLiteral("escaped key"));
    }

    void filesWrittenHereReadTheSameInQt()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        const QStringList values = texts();
        {
            QtSettingsStore ours(ini);
            for (int i = 0; i < values.size(); ++i)
                ours.setValue(QStringLiteral("Key%1").arg(i), values[i]);
            ours.setValue(QStringLiteral("Other/Key"), QStringLiteral("in a group"));
            ours.sync();
        }
        QSettings qt(ini, QSettings::IniFormat);
        for (int i = 0; i < values.size(); ++i) {
            const QVariant v = qt.value(QStringLiteral("Key%1").arg(i));
            // Qt reads an unquoted comma as a list; a value written with one is quoted.
            QCOMPARE(v.toString(), values[i]);
        }
        QCOMPARE(qt.value(QStringLiteral("Other/Key")).toString(), QStringLiteral("in a group"));
        QVERIFY(readFile(ini).startsWith("[General]\n"));
    }

    // A value holding bytes that are not UTF-8 (a folder name copied from
    // Windows) keeps them, whichever program writes its own keys.
    void bytesThatAreNotUtf8SurviveEveryWrite()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Velmora Tamrix.ini"));
        writeFile(ini, "[General]\nRLToolsPath=/opt/caf\xE9/rl\nEditLeft=3\n\n[Other]\nk=\"v, w\"\n");
        {
            QtSettingsStore admin(ini);
            QCOMPARE(admin.bytesValue(QStringLiteral("RLToolsPath")), std::optional<std::string>("/opt/caf\xE9/rl"));
            QVERIFY(!admin.bytesValue(QStringLiteral("Missing")));
            admin.setValue(QStringLiteral("AdminLeft"), QStringLiteral("1"));
            admin.sync();
        }
        {
            QtSettingsStore editor(ini);
            editor.setValue(QStringLiteral("EditLeft"), QStringLiteral("5"));
            editor.sync();
        }
        QCOMPARE(readFile(ini), QByteArray("[General]\nAdminLeft=1\nEditLeft=5\nRLToolsPath=/opt/caf\xE9/rl\n\n"
                                           "[Other]\nk=\"v, w\"\n"));
    }
};

QTEST_MAIN(SettingsBytesTest)
#include "settingsbytes_test.moc"
