#include "window/progressstatus.h"

#include "window/filternode.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QStatusBar>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>

namespace quenlit {

namespace {

QString progressText(const Progress &p)
{
    return QString::fromStdString(ProgressText(p));
}

} // namespace

namespace {

const char kListTip[] = "The tokens of the list: translated (status 4) of those that count "
                        "(read-only tokens not flagged non-translated are left out)";

} // namespace

ProgressStatus::ProgressStatus(QStatusBar *bar, QLabel *list, QLabel *project, QTreeWidget *tree,
                               const TokenCounts &counts, QObject *parent)
    : QObject(parent), m_bar(bar), m_tree(tree), m_counts(counts), m_list(list), m_project(project)
{
    m_list->setObjectName(QStringLiteral("lbListProgress"));
    m_list->setToolTip(QString::fromLatin1(kListTip));
    m_project->setObjectName(QStringLiteral("lbProjectProgress"));
    m_project->setToolTip(QStringLiteral("The whole project"));
    m_tree->viewport()->installEventFilter(this);
    m_bar->installEventFilter(this);
    connect(bar, &QStatusBar::messageChanged, this, [this] { fit(); });
    clear();
}

void ProgressStatus::fit()
{
    m_list->setVisible(true);
    m_project->setVisible(!m_merged);
    // The project's count always stays. While a message is shown that the room
    // the bar's widgets leave cannot hold, the list's steps aside (the bar lays
    // the widgets out again only later, and stretches some beyond their need).
    const QString message = m_bar->currentMessage();
    if (message.isEmpty() || m_merged)
        return;
    const int spacing = m_bar->layout() ? std::max(0, m_bar->layout()->spacing()) : 0;
    int used = 0;
    for (QWidget *w : m_bar->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!w->isHidden() && !w->isWindow())
            used += w->sizeHint().width() + spacing;
    }
    // A message needs room for its text and the bar's margins before it.
    if (m_bar->width() - used < m_bar->fontMetrics().horizontalAdvance(message) + 12)
        m_list->setVisible(false);
}

void ProgressStatus::setProgress(const Progress &list, const Progress &project)
{
    m_open = true;
    // The same figures (the list holds every token that counts) are said once;
    // short forms in the bar, whole in the tooltips.
    m_merged = list == project;
    const QString listShort = QString::fromStdString(ShortProgressText(list));
    m_list->setText(m_merged ? listShort : QStringLiteral("List ") + listShort);
    m_list->setToolTip((m_merged ? QStringLiteral("List and project: ") : QStringLiteral("List: ")) +
                       progressText(list) + QStringLiteral("\n") + QString::fromLatin1(kListTip));
    m_project->setText(QStringLiteral("Project ") + QString::fromStdString(ShortProgressText(project)));
    m_project->setToolTip(QStringLiteral("The whole project: ") + progressText(project));
    fit();
}

void ProgressStatus::clear()
{
    m_open = false;
    m_merged = false;
    m_list->clear();
    m_project->clear();
    fit();
}

QString ProgressStatus::nodeToolTip(const TokenFilter &filter, const QString &text) const
{
    if (!m_open)
        return text;
    const std::size_t listed = m_counts.listed(filter, m_showReadOnly);
    return text + QStringLiteral(": ") + (listed == 1 ? QStringLiteral("1 token") : QStringLiteral("%1 tokens").arg(listed)) +
           QStringLiteral(", ") + progressText(m_counts.progress(filter));
}

bool ProgressStatus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_bar && event->type() == QEvent::Resize)
        fit();
    if (watched == m_tree->viewport() && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (QTreeWidgetItem *node = m_tree->itemAt(help->pos()))
            node->setToolTip(0, nodeToolTip(node->data(0, kFilterRole).value<TokenFilter>(), node->text(0)));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quenlit
