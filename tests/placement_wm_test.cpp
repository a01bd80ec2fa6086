// Window placement of both programs under a real X server with a window
// manager, which adds its frame only after the window is shown: what is stored
// at exit must come back exactly at the next start.

#include "fakedesktop.h"
#include "../quenlit/window/frmprinc.h"
#include "../sardenne/admin/frmprinc.h"
#include "settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const char *const kEditKeys[] = {"EditLeft", "EditTop", "EditWidth", "EditHeight"};
const char *const kAdminKeys[] = {"AdminLeft", "AdminTop", "AdminWidth", "AdminHeight"};

} // namespace

class PlacementWmTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<QtSettingsStore> m_settings;

    // One run of a program's window: start, wait until the window manager has
    // framed and placed it, look at it, close it.
    struct Program
    {
        std::function<std::unique_ptr<QWidget>()> make;
        std::function<void(QWidget *)> start;
        std::function<void(QWidget *)> close;
        const char *const *keys;
    };

    Program editor()
    {
        return {[this] { return std::make_unique<quenlit::FrmPrinc>(*m_desktop, *m_settings); },
                [](QWidget *w) { static_cast<quenlit::FrmPrinc *>(w)->start(QString()); },
                [](QWidget *w) { QVERIFY(static_cast<quenlit::FrmPrinc *>(w)->TermineApp()); }, kEditKeys};
    }

    Program admin()
    {
        return {[this] { return std::make_unique<sardenne::FrmPrinc>(*m_desktop, *m_settings, QString()); },
                [](QWidget *w) { static_cast<sardenne::FrmPrinc *>(w)->start(QString()); },
                [](QWidget *w) { static_cast<sardenne::FrmPrinc *>(w)->TermineApp(); }, kAdminKeys};
    }

    // Waits until the window has its frame and has stopped moving.
    static bool settle(QWidget *w)
    {
        if (!QTest::qWaitForWindowExposed(w))
            return false;
        QElapsedTimer timer;
        timer.start();
        QRect last;
        int stable = 0;
        while (timer.elapsed() < 5000) {
            QTest::qWait(50);
            const QRect frame = w->frameGeometry();
            const bool framed = frame.size() != w->size() || w->windowState() != Qt::WindowNoState;
            stable = framed && frame == last ? stable + 1 : 0;
            last = frame;
            if (stable >= 6)
                return true;
        }
        return false;
    }

    QStringList stored(const char *const *keys) const
    {
        QStringList values;
        for (int i = 0; i < 4; ++i)
            values << m_settings->value(QString::fromLatin1(keys[i]), QStringLiteral("<missing>"));
        return values;
    }

    static QStringList twipsOf(const QRect &r)
    {
        return {QString::number(r.x() * 15), QString::number(r.y() * 15), QString::number(r.width() * 15),
                QString::number(r.height() * 15)};
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_desktop = std::make_unique<FakeDesktop>();
        const QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        m_desktop->screen = screen->size();
        m_settings = std::make_unique<QtSettingsStore>(m_dir->filePath(QStringLiteral("Velmora Tamrix.ini")));
    }

    void cleanup()
    {
        m_settings.reset();
        m_dir.reset();
    }

    void tenStartsKeepTheStoredPlacement_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("quenlit") << 0;
        QTest::newRow("sardenne") << 1;
    }

    // From an empty store: the first start centres the outer window at the
    // design size; every later start comes back exactly where the last one ended.
    void tenStartsKeepTheStoredPlacement()
    {
        QFETCH(int, program);
        const Program p = program == 0 ? editor() : admin();
        QStringList first;
        for (int run = 0; run < 10; ++run) {
            auto w = p.make();
            p.start(w.get());
            QVERIFY(settle(w.get()));
            const QRect frame = w->frameGeometry();
            if (run == 0) {
                // Centred: the outer window, not the client area.
                QVERIFY2(qAbs(frame.x() - (m_desktop->screen.width() - frame.width()) / 2) <= 1,
                         qPrintable(QStringLiteral("left %1 width %2").arg(frame.x()).arg(frame.width())));
                QVERIFY(qAbs(frame.y() - (m_desktop->screen.height() - frame.height()) / 2) <= 1);
            }
            p.close(w.get());
            const QStringList values = stored(p.keys);
            QCOMPARE(values, twipsOf(frame));
            if (run == 0)
                first = values;
            QCOMPARE(values, first);
        }
    }

    void aStoredPlacementComesBackExactly_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("quenlit") << 0;
        QTest::newRow("sardenne") << 1;
    }

    // Values the program did not write itself (not whole pixels) are taken and
    // written back as they were; the outer window has the stored size.
    void aStoredPlacementComesBackExactly()
    {
        QFETCH(int, program);
        const Program p = program == 0 ? editor() : admin();
        const QStringList wanted{QStringLiteral("1500"), QStringLiteral("1207"), QStringLiteral("9000"),
                                 QStringLiteral("7000")};
        for (int i = 0; i < 4; ++i)
            m_settings->setValue(QString::fromLatin1(p.keys[i]), wanted[i]);
        for (int run = 0; run < 3; ++run) {
            auto w = p.make();
            p.start(w.get());
            QVERIFY(settle(w.get()));
            QCOMPARE(w->frameGeometry().size(), QSize(600, 467));
            QCOMPARE(w->frameGeometry().topLeft(), QPoint(100, 80));
            p.close(w.get());
            QCOMPARE(stored(p.keys), wanted);
        }
    }

    void closedMaximisedKeepsTheNormalPlacement_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("quenlit") << 0;
        QTest::newRow("sardenne") << 1;
    }

    void closedMaximisedKeepsTheNormalPlacement()
    {
        QFETCH(int, program);
        const Program p = program == 0 ? editor() : admin();
        QRect normal;
        {
            auto w = p.make();
            p.start(w.get());
            QVERIFY(settle(w.get()));
            normal = w->frameGeometry();
            w->showMaximized();
            QVERIFY(settle(w.get()));
            QVERIFY(w->frameGeometry() != normal);
            p.close(w.get());
            QCOMPARE(stored(p.keys), twipsOf(normal));
        }
        // Starting maximised and closing at once keeps the same values.
        const QStringList values = stored(p.keys);
        auto w = p.make();
        p.start(w.get());
        QVERIFY(settle(w.get()));
        QVERIFY(w->isMaximized());
        p.close(w.get());
        QCOMPARE(stored(p.keys), values);
        // Restored afterwards, the window has its normal placement.
        auto again = p.make();
        p.start(again.get());
        QVERIFY(settle(again.get()));
        again->showNormal();
        QVERIFY(settle(again.get()));
        QCOMPARE(again->frameGeometry(), normal);
        p.close(again.get());
        QCOMPARE(stored(p.keys), values);
    }
};

QTEST_MAIN(PlacementWmTest)
#include "placement_wm_test.moc"
