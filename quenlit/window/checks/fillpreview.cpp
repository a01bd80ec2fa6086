#include "window/checks/fillpreview.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace quenlit {

FillPreviewModel::FillPreviewModel(std::vector<FillChange> changes, Original original, Decode decode,
                                   QObject *parent)
    : QAbstractTableModel(parent), m_changes(std::move(changes)), m_chosen(m_changes.size(), true),
      m_chosenCount(m_changes.size()), m_original(std::move(original)), m_decode(std::move(decode))
{
}

std::vector<FillChange> FillPreviewModel::chosen() const
{
    std::vector<FillChange> out;
    out.reserve(m_chosenCount);
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        if (m_chosen[i])
            out.push_back(m_changes[i]);
    }
    return out;
}

int FillPreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_changes.size());
}

int FillPreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FillPreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_changes.size())
        return {};
    const std::size_t i = static_cast<std::size_t>(index.row());
    const FillChange &c = m_changes[i];
    if (role == Qt::CheckStateRole && index.column() == OriginalColumn)
        return m_chosen[i] ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case OriginalColumn:
        return m_original(c.row);
    case ProposedColumn:
        return m_decode(c.text);
    case MatchColumn:
        if (c.score > 0)
            return QString(QString::number(c.score) + QStringLiteral(" %"));
        return c.exact ? QStringLiteral("same text") : QStringLiteral("similar text");
    default:
        break;
    }
    return {};
}

QVariant FillPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case OriginalColumn:
        return QStringLiteral("Original");
    case ProposedColumn:
        return QStringLiteral("Proposed translation");
    case MatchColumn:
        return m_changes.empty() || m_changes.front().score == 0 ? QStringLiteral("Twin") : QStringLiteral("Match");
    default:
        break;
    }
    return {};
}

Qt::ItemFlags FillPreviewModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == OriginalColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool FillPreviewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != OriginalColumn)
        return false;
    const std::size_t i = static_cast<std::size_t>(index.row());
    const bool chosen = value.toInt() == Qt::Checked;
    if (m_chosen[i] == chosen)
        return true;
    m_chosen[i] = chosen;
    m_chosenCount += chosen ? 1 : std::size_t(-1);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit chosenCountChanged(m_chosenCount);
    return true;
}

FillPreviewDialog::FillPreviewDialog(std::vector<FillChange> changes, FillPreviewModel::Original original,
                                     FillPreviewModel::Decode decode, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFillPreview"));
    setWindowTitle(QStringLiteral("Fill identical texts"));
    auto *layout = new QVBoxLayout(this);
    const bool fromMemory = !changes.empty() && changes.front().score > 0;
    auto *intro = new QLabel(fromMemory ? QStringLiteral("These tokens need work and the translation memory has a match "
                                                         "for their original text: exact ones are filled as translated, "
                                                         "the others as still needing work. Uncheck the ones to leave "
                                                         "as they are.")
                                        : QStringLiteral("These tokens need work and another token with the same "
                                                         "original text is translated. Uncheck the ones to leave as "
                                                         "they are."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_model = new FillPreviewModel(std::move(changes), std::move(original), std::move(decode), this);
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("lvFill"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->header()->setSectionsClickable(false);
    m_view->setColumnWidth(FillPreviewModel::OriginalColumn, 260);
    m_view->setColumnWidth(FillPreviewModel::ProposedColumn, 260);
    layout->addWidget(m_view);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lbFillCount"));
    layout->addWidget(m_count);

    auto *buttons = new QDialogButtonBox(this);
    m_fill = buttons->addButton(QStringLiteral("&Fill"), QDialogButtonBox::AcceptRole);
    m_fill->setObjectName(QStringLiteral("btFill"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_model, &FillPreviewModel::chosenCountChanged, this, [this] { updateCount(); });
    updateCount();
    resize(680, 420);
    if (m_model->rowCount() > 0)
        m_view->setCurrentIndex(m_model->index(0, FillPreviewModel::OriginalColumn));
    m_view->setFocus();
}

void FillPreviewDialog::updateCount()
{
    m_count->setText(QString::number(m_model->chosenCount()) + QStringLiteral(" of ") +
                     QString::number(m_model->size()) + QStringLiteral(" tokens will be filled."));
    m_fill->setEnabled(m_model->chosenCount() > 0);
}

} // namespace quenlit
