#pragma once

#include "placement.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <vector>

class QAction;
class QHeaderView;
class QMenu;
class QTableView;
class SettingsStore;

namespace quenlit {

// The columns the token list has beyond "Token", "Status" and "Type": the
// header's context menu hides and shows them, and their widths and visibility
// are kept in the settings under keys of their own ("ListCheckWidth",
// "ListCheckVisible", ...; widths in twips). The first three columns are never
// hidden and keep their widths.
class ListColumns : public QObject
{
    Q_OBJECT

public:
    struct Column
    {
        int section;
        QString key;         // "Check" gives "ListCheckWidth" and "ListCheckVisible"
        float defaultWidth;  // twips
    };

    // Reads the stored widths and visibility and applies them to the view's header.
    ListColumns(QTableView *view, SettingsStore &settings, const Twips &twips, std::vector<Column> columns);

    bool isShown(int section) const;
    void setShown(int section, bool shown);
    // The header's context menu, as it is shown at a right click, the menu key or
    // Shift+F10 in the list, and as "&Columns" in "&Options".
    QMenu *contextMenu() const { return m_menu; }

    // Writes the widths and visibility to the settings.
    void store() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showMenu(const QPoint &at);

    QTableView *m_view;
    SettingsStore &m_settings;
    Twips m_twips;
    std::vector<Column> m_columns;
    QMenu *m_menu = nullptr;
    QHash<int, QAction *> m_actions;
};

} // namespace quenlit
