#pragma once

#include "checks/suggestions.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeView;

namespace quenlit {

// The rows of the fill preview: each proposed change with a check box, its
// original text, the proposed translation and whether the twin's master text is
// the same or similar.
class FillPreviewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        OriginalColumn,
        ProposedColumn,
        MatchColumn,
        ColumnCount
    };
    // Shows a token file's bytes, or the master text of a project row.
    using Decode = std::function<QString(std::string_view bytes)>;
    using Original = std::function<QString(std::size_t row)>;

    FillPreviewModel(std::vector<FillChange> changes, Original original, Decode decode, QObject *parent = nullptr);

    std::vector<FillChange> chosen() const;
    std::size_t chosenCount() const { return m_chosenCount; }
    std::size_t size() const { return m_changes.size(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void chosenCountChanged(std::size_t count);

private:
    std::vector<FillChange> m_changes;
    std::vector<bool> m_chosen;
    std::size_t m_chosenCount = 0;
    Original m_original;
    Decode m_decode;
};

// "Fill identical texts": lists what the fill would write, lets the user uncheck
// rows, and is accepted with "&Fill" (disabled while no row is checked).
class FillPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    FillPreviewDialog(std::vector<FillChange> changes, FillPreviewModel::Original original,
                      FillPreviewModel::Decode decode, QWidget *parent = nullptr);

    std::vector<FillChange> chosen() const { return m_model->chosen(); }
    FillPreviewModel *model() const { return m_model; }
    QTreeView *view() const { return m_view; }

private:
    void updateCount();

    FillPreviewModel *m_model = nullptr;
    QTreeView *m_view = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_fill = nullptr;
};

} // namespace quenlit
