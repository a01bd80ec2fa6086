#pragma once

#include "listing/tokencounts.h"

#include <QObject>

class QLabel;
class QStatusBar;
class QTreeWidget;

namespace quenlit {

// What is left, where the translator sees it: the status bar says "N/M · P %"
// for the list and for the project (once when they are the same; the tooltips
// say "N of M translated (P %)"), and each node of the filter tree tells its count in its tooltip (its
// text stays: the type filters match it). Tooltips are made when asked for, so a change costs nothing there.
class ProgressStatus : public QObject
{
    Q_OBJECT

public:
    // The tree's nodes carry their filter (see filternode.h). `list` and
    // `project` are the bar's fields it fills. `counts` is not owned and must
    // outlive this object.
    ProgressStatus(QStatusBar *bar, QLabel *list, QLabel *project, QTreeWidget *tree, const TokenCounts &counts,
                   QObject *parent = nullptr);

    void setProgress(const Progress &list, const Progress &project);
    // No project: nothing to count.
    void clear();
    void setShowReadOnly(bool shown) { m_showReadOnly = shown; }
    // The tooltip of a node of the tree, as it is now.
    QString nodeToolTip(const TokenFilter &filter, const QString &text) const;

    QLabel *listLabel() const { return m_list; }
    QLabel *projectLabel() const { return m_project; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The project's count is always shown; while a message is shown that the
    // room left cannot hold, the list's steps aside, and comes back after it.
    void fit();

    QStatusBar *m_bar;
    QTreeWidget *m_tree;
    const TokenCounts &m_counts;
    QLabel *m_list = nullptr;
    QLabel *m_project = nullptr;
    bool m_showReadOnly = false;
    bool m_open = false;
    bool m_merged = false; // the list's figures are the project's: one label says both
};

} // namespace quenlit
