#pragma once

// What the editor window's tests share: a project folder of their own, the
// fake desktop, the settings file, the window opened on a project, and the
// user's commonest gestures on it. A test class derives from QObject first and
// from this second, calls setUpFixture() in init() and tearDownFixture() in
// cleanup().

#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "window/preview/resourcepreviewwidget.h"
#include "window/tokenlistview.h"
#include "qtestfiles.h"
#include "settingsstore.h"
#include "window/tokenlistmodel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QList>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <cstddef>
#include <memory>

using namespace quenlit;

template <typename DesktopType = FakeDesktop>
class EditorWindowFixture
{
protected:
    using FrmPrinc = quenlit::FrmPrinc;

    std::unique_ptr<TestFolder> m_dir;
    std::unique_ptr<DesktopType> m_desktop;
    std::unique_ptr<QtSettingsStore> m_settings;
    QString m_originalDir;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // The preview draws and measures with the tests' own font, loaded from its
    // file, never with a font the machine picks for a dialog's typeface.
    static void useTestFont()
    {
        static const QString family = [] {
            QString name;
            for (const char *file : {TAMRIX_TEST_FONT, TAMRIX_TEST_FONT_BOLD}) {
                const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(file));
                if (id < 0 || QFontDatabase::applicationFontFamilies(id).isEmpty())
                    return QString();
                name = QFontDatabase::applicationFontFamilies(id).constFirst();
            }
            return name;
        }();
        QVERIFY2(!family.isEmpty(), "the tests' font cannot be loaded");
        SetDialogFontFallback(family);
    }

    // A fresh folder, desktop and settings, the current folder remembered.
    void setUpFixture()
    {
        useTestFont();
        m_originalDir = QDir::currentPath();
        m_dir = std::make_unique<TestFolder>();
        m_desktop = std::make_unique<DesktopType>();
        m_settings = std::make_unique<QtSettingsStore>(path(QStringLiteral("settings/Velmora Tamrix.ini")));
    }

    void tearDownFixture()
    {
        QDir::setCurrent(m_originalDir);
        m_settings.reset();
        m_desktop.reset();
        m_dir.reset();
    }

    // The French project "fr.prj" with `projectTokens` in "fr.tok", beside the
    // master project "demo.mpj" of `resourceFile` with `masterTokens` in "demo.tok".
    void writeFrenchProject(const QByteArray &masterTokens, const QByteArray &projectTokens,
                            const QByteArray &resourceFile = QByteArrayLiteral("demo.dll"))
    {
        writeFile(path(QStringLiteral("fr.prj")), "demo.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
        writeFile(path(QStringLiteral("demo.mpj")), resourceFile + "\r\ndemo.tok\r\n");
        writeFile(path(QStringLiteral("demo.tok")), masterTokens);
        writeFile(path(QStringLiteral("fr.tok")), projectTokens);
    }

    // The window shown and active with the project of the folder open; null when
    // it never became active.
    std::unique_ptr<FrmPrinc> openedWindow(const QString &project = QStringLiteral("fr.prj"))
    {
        auto w = std::make_unique<FrmPrinc>(*m_desktop, *m_settings);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            return nullptr;
        w->OpenProject(path(project));
        return w;
    }

    template <typename T> static T *child(FrmPrinc &w, const QString &name) { return w.findChild<T *>(name); }
    template <typename T> static T *child(FrmPrinc &w, const char *name)
    {
        return child<T>(w, QString::fromLatin1(name));
    }
    static QAction *action(FrmPrinc &w, const char *name) { return child<QAction>(w, name); }
    static TokenListView *list(FrmPrinc &w) { return child<TokenListView>(w, "lvTok"); }
    static QLineEdit *box(FrmPrinc &w) { return child<QLineEdit>(w, "txtTransTok"); }

    // The list item that shows a table row, -1 when the row is not listed.
    static int itemOfRow(FrmPrinc &w, std::size_t row)
    {
        for (int i = 0; i < w.tokenList()->rowCount(); ++i) {
            if (w.tokenList()->tableRow(i) == row)
                return i;
        }
        return -1;
    }

    // The table rows of the listed items, in list order.
    static QList<int> listedRows(FrmPrinc &w)
    {
        QList<int> rows;
        for (int i = 0; i < w.tokenList()->rowCount(); ++i)
            rows << static_cast<int>(w.tokenList()->tableRow(i));
        return rows;
    }

    // A mouse click on the item of a table row, where the list shows it.
    static void clickRow(FrmPrinc &w, std::size_t row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const int item = itemOfRow(w, row);
        QVERIFY2(item >= 0, "row is not listed");
        const QRect rect = list(w)->visualRect(w.tokenList()->index(item, 0));
        QTest::mouseClick(list(w)->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    // A command chosen from a menu of the menu bar with the keyboard: Alt and the
    // menu's access key, then the command's. A disabled command does nothing;
    // the menu is then closed with Escape.
    static void menuKeys(FrmPrinc &w, Qt::Key menuKey, Qt::Key commandKey)
    {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, menuKey, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), commandKey);
        if (QApplication::activePopupWidget())
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    }
    // "&Open...", "&Close", "&Save" or "E&xit" from the File menu.
    static void fileMenu(FrmPrinc &w, Qt::Key commandKey) { menuKeys(w, Qt::Key_F, commandKey); }

    // A translation typed over the box's text (Ctrl+A, then the keys), then Return.
    static void typeTranslation(QLineEdit *box, const QString &text, Qt::Key end = Qt::Key_Return)
    {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(box, static_cast<char>(c.unicode()));
            else // beyond ASCII, as an input method gives it: a key event with its text
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        if (end != Qt::Key_unknown)
            QTest::keyClick(box, end);
    }

    // A click on a check box's box.
    static void clickCheck(QCheckBox *check)
    {
        QVERIFY(check);
        QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(8, check->height() / 2));
    }
    // "Show &read-only tokens" from the Options menu.
    static void toggleReadOnlyShown(FrmPrinc &w) { menuKeys(w, Qt::Key_O, Qt::Key_R); }

    // Everything queued so far has run: posted calls, layouts, deletions.
    static void runQueued()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // A key pressed where the focus is, as the user presses it.
    static void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, k, modifiers);
    }
};
