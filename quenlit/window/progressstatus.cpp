#include "progressstatus.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolTip>
#include <QTreeWidget>

namespace {

QString progressText(const Progress &p)
{
    return QString::fromStdString(ProgressText(p));
}

} // namespace

ProgressStatus::ProgressStatus(QStatusBar *bar, QTreeWidget *tree, const TokenCounts &counts, QObject *parent)
    : QObject(parent), m_tree(tree), m_counts(counts)
{
    m_list = new QLabel(bar);
    m_list->setObjectName(QStringLiteral("lbListProgress"));
    m_list->setToolTip(QStringLiteral("The tokens of the list: translated (status 4) of those that count "
                                      "(read-only tokens not flagged non-translated are left out)"));
    m_project = new QLabel(bar);
    m_project->setObjectName(QStringLiteral("lbProjectProgress"));
    m_project->setToolTip(QStringLiteral("The whole project"));
    bar->addPermanentWidget(m_list);
    bar->addPermanentWidget(m_project);
    m_tree->viewport()->installEventFilter(this);
    clear();
}

void ProgressStatus::setProgress(const Progress &list, const Progress &project)
{
    m_open = true;
    m_list->setText(QStringLiteral("List: ") + progressText(list));
    m_project->setText(QStringLiteral("Project: ") + progressText(project));
}

void ProgressStatus::clear()
{
    m_open = false;
    m_list->clear();
    m_project->clear();
}

QString ProgressStatus::nodeToolTip(const QString &tag, const QString &text) const
{
    if (!m_open)
        return text;
    const TokenFilter filter = ParseFilterTag(tag.toStdString(), text.toStdString());
    const std::size_t listed = m_counts.listed(filter, m_showReadOnly);
    return text + QStringLiteral(": ") + (listed == 1 ? QStringLiteral("1 token") : QStringLiteral("%1 tokens").arg(listed)) +
           QStringLiteral(", ") + progressText(m_counts.progress(filter));
}

bool ProgressStatus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (QTreeWidgetItem *node = m_tree->itemAt(help->pos()))
            node->setToolTip(0, nodeToolTip(node->data(0, Qt::UserRole).toString(), node->text(0)));
    }
    return QObject::eventFilter(watched, event);
}
