#include "programhelp.h"

#include "desktop.h"

#include <QAction>
#include <algorithm>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifndef TAMRIX_DOC_FROM_BIN
#error "TAMRIX_DOC_FROM_BIN: the documents' folder relative to bin/, set by the build"
#endif

ProgramHelp::ProgramHelp(QWidget &window, Desktop &desktop, const QString &guidePath, const QString &program,
                         QObject *parent)
    : QObject(parent), m_owner(window), m_desktop(desktop), m_path(guidePath), m_program(program)
{
    m_guide = new QAction(QStringLiteral("Translator's &guide"), this);
    m_guide->setObjectName(QStringLiteral("mnuGuide"));
    m_guide->setShortcut(QKeySequence::HelpContents);
    m_guide->setShortcutContext(Qt::WindowShortcut);
    connect(m_guide, &QAction::triggered, this, &ProgramHelp::showGuide);
    // F1 works in the window whether or not a menu shows the action.
    m_owner.addAction(m_guide);
}

QMenu *ProgramHelp::addMenu(QMenuBar &bar)
{
    QMenu *menu = bar.addMenu(QStringLiteral("&Help"));
    menu->setObjectName(QStringLiteral("mnuHelp"));
    menu->addAction(m_guide);
    menu->addSeparator();
    QAction *about = menu->addAction(QStringLiteral("&About %1").arg(m_program), this, &ProgramHelp::showAbout);
    about->setObjectName(QStringLiteral("mnuAbout"));
    about->setMenuRole(QAction::AboutRole);
    return menu;
}

void ProgramHelp::showGuide()
{
    const QFileInfo file(m_path);
    if (!file.isFile() || !file.isReadable()) {
        m_desktop.showError(&m_owner, QStringLiteral("The translator's guide was not found: %1")
                                          .arg(QDir::toNativeSeparators(m_path)));
        return;
    }
    if (!m_window) {
        m_window = new QWidget(&m_owner, Qt::Window);
        m_window->setObjectName(QStringLiteral("guideWindow"));
        m_window->setWindowTitle(QStringLiteral("Translator's guide - %1").arg(m_program));
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto *layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        m_view = new QTextBrowser(m_window);
        m_view->setObjectName(QStringLiteral("guideView"));
        m_view->setAccessibleName(QStringLiteral("Translator's guide"));
        m_view->setOpenExternalLinks(true);
        m_view->setSearchPaths({file.absolutePath()});
        layout->addWidget(m_view);
        m_view->setSource(QUrl::fromLocalFile(file.absoluteFilePath()), QTextDocument::MarkdownResource);
        const QSize owner = m_owner.size();
        m_window->resize(std::max(640, owner.width()), std::max(480, owner.height()));
        m_window->move(m_owner.frameGeometry().topLeft() + QPoint(40, 40));
        auto *close = new QAction(m_window);
        close->setShortcut(QKeySequence(Qt::Key_Escape));
        connect(close, &QAction::triggered, m_window, &QWidget::close);
        m_window->addAction(close);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void ProgramHelp::showAbout()
{
    Desktop::Question about;
    about.title = QStringLiteral("About %1").arg(m_program);
    about.text = m_program == QStringLiteral("quenlit")
                     ? QStringLiteral("quenlit, the token editor of Velmora Tamrix.\n"
                                      "It edits the token file of one language project: type the translation, "
                                      "commit it with Enter, save with Ctrl+S.\n"
                                      "Press F1 for the translator's guide.")
                     : QStringLiteral("%1 of Velmora Tamrix.\nPress F1 for the translator's guide.").arg(m_program);
    about.buttons = {QStringLiteral("OK")};
    about.icon = Desktop::Question::Icon::Information;
    m_desktop.ask(&m_owner, about);
}

QWidget *ProgramHelp::guideWindow() const
{
    return m_window.data();
}

QTextBrowser *ProgramHelp::guideView() const
{
    return m_view.data();
}

QString ProgramHelp::InstalledGuide(const QString &programFolder)
{
    return QDir::cleanPath(QDir(programFolder).absoluteFilePath(QStringLiteral(TAMRIX_DOC_FROM_BIN "/guide.md")));
}
