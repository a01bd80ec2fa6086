#include "window/listcolumns.h"

#include "settingsstore.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>

namespace quenlit {

namespace {

QString widthKey(const QString &key)
{
    return QStringLiteral("List") + key + QStringLiteral("Width");
}

QString visibleKey(const QString &key)
{
    return QStringLiteral("List") + key + QStringLiteral("Visible");
}

} // namespace

ListColumns::ListColumns(QTableView *view, SettingsStore &settings, const Twips &twips, std::vector<Column> columns)
    : QObject(view), m_view(view), m_settings(settings), m_twips(twips), m_columns(std::move(columns))
{
    QHeaderView *header = m_view->horizontalHeader();
    m_menu = new QMenu(header);
    m_menu->setObjectName(QStringLiteral("listColumnsMenu"));
    for (const Column &c : m_columns) {
        bool ok = false;
        const double width = m_settings.value(widthKey(c.key), QString()).toDouble(&ok);
        // A width no screen could show, or none, gives the column its first width.
        m_view->setColumnWidth(c.section, m_twips.toPixels(ok && width >= 15 && width <= 1440 * 100 ? width
                                                                                                   : c.defaultWidth));
        const bool shown = m_settings.value(visibleKey(c.key), QStringLiteral("1")) != QStringLiteral("0");
        header->setSectionHidden(c.section, !shown);

        QAction *action = m_menu->addAction(m_view->model()->headerData(c.section, Qt::Horizontal).toString());
        action->setObjectName(QStringLiteral("showColumn") + c.key);
        action->setCheckable(true);
        action->setChecked(shown);
        const int section = c.section;
        m_actions.insert(section, action);
        connect(action, &QAction::toggled, this, [this, section](bool on) { setShown(section, on); });
    }
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, &ListColumns::showMenu);
    // The header takes no focus: from the keyboard, the menu key and Shift+F10
    // in the list open it under the header, and "&Options" holds it too.
    m_menu->setTitle(QStringLiteral("Co&lumns"));
    m_view->installEventFilter(this);
}

bool ListColumns::eventFilter(QObject *watched, QEvent *event)
{
    bool wanted = false;
    if (event->type() == QEvent::ContextMenu)
        wanted = static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;
    else if (event->type() == QEvent::KeyPress) {
        // The menu key comes as a key and, from some platforms, as a context menu too.
        const auto *key = static_cast<QKeyEvent *>(event);
        wanted = key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    }
    if (watched != m_view || !wanted)
        return QObject::eventFilter(watched, event);
    QHeaderView *header = m_view->horizontalHeader();
    if (!m_menu->isVisible())
        m_menu->popup(header->mapToGlobal(QPoint(0, header->height())));
    return true;
}

bool ListColumns::isShown(int section) const
{
    return !m_view->horizontalHeader()->isSectionHidden(section);
}

void ListColumns::setShown(int section, bool shown)
{
    QHeaderView *header = m_view->horizontalHeader();
    if (header->isSectionHidden(section) == !shown)
        return;
    header->setSectionHidden(section, !shown);
    // A column shown again that had lost its width gets its first width back.
    for (const Column &c : m_columns) {
        if (c.section == section && shown && header->sectionSize(section) < 4)
            m_view->setColumnWidth(section, m_twips.toPixels(c.defaultWidth));
    }
    if (QAction *action = m_actions.value(section)) {
        const QSignalBlocker blocker(action);
        action->setChecked(shown);
    }
}

void ListColumns::showMenu(const QPoint &at)
{
    m_menu->popup(m_view->horizontalHeader()->viewport()->mapToGlobal(at));
}

void ListColumns::store() const
{
    QHeaderView *header = m_view->horizontalHeader();
    for (const Column &c : m_columns) {
        const bool shown = !header->isSectionHidden(c.section);
        m_settings.setValue(visibleKey(c.key), shown ? QStringLiteral("1") : QStringLiteral("0"));
        // A hidden column keeps the width it had when it was shown.
        const int pixels = shown ? header->sectionSize(c.section) : 0;
        if (shown && pixels > 0)
            m_settings.setValue(widthKey(c.key), QString::number(qRound(m_twips.fromPixels(pixels))));
    }
}

} // namespace quenlit
