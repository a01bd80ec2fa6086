#pragma once

#include "listing/listrows.h"
#include "tokenstatus.h"
#include "window/tokenlook.h"
#include "tokentable.h"

#include <QAbstractTableModel>
#include <QFont>

#include <vector>

class CodePage;

namespace quenlit {

class CheckColumn;

// The token list: one row per listed token of the project table, in row order,
// with the columns "Token", "Status", "Type", "Check" and "Original" (the master
// text). It holds no token data
// of its own but the listed row numbers (the list, shared with whoever made it)
// and each item's look; every text is read from the table (and the checks'
// results) when it is shown.
class TokenListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        TokenColumn,
        StatusColumn,
        TypeColumn,
        CheckColumnIndex,
        OriginalColumn,
        ColumnCount
    };
    // The item's tag: its row number in the project table, as decimal text.
    static constexpr int TagRole = Qt::UserRole;

    explicit TokenListModel(QObject *parent = nullptr);

    // Replaces every item. The table is not owned and must outlive the items.
    // The font of the items; bold items get its bold form.
    void setFont(const QFont &font);

    // The master table the "Original" column reads; not owned, null for none.
    void setMasterTable(const TokenTable *master) { m_master = master; }
    // The code page of the master token file, for the "Original" column.
    void setMasterCodePage(const CodePage &codePage);

    // The rows are the list's, ascending, never changed while shown; null for none.
    void setItems(const TokenTable *table, SharedListRows rows, std::vector<TokenLook> looks);
    // The same, each item's look being lookOf(row), asked once per item in order:
    // nothing per item is made but the model's own byte.
    template <typename LookOf> void setItemsByRow(const TokenTable *table, SharedListRows rows, LookOf lookOf);
    // The code page the texts of the table are in (Windows-1252 until set).
    void setCodePage(const CodePage &codePage);
    void clear();

    // What the "Check" column shows; not owned, null for nothing.
    void setCheckColumn(const CheckColumn *column) { m_checks = column; }
    // The checks of table rows first..last have new results.
    void checksChanged(std::size_t first, std::size_t last);

    const ListRows &rows() const { return *m_list; }
    std::size_t tableRow(int item) const;
    // The item of a table row, -1 when the row is not listed.
    int itemOfRow(std::size_t row) const;
    TokenLook look(int item) const { return Unpacked(m_looks.at(static_cast<std::size_t>(item))); }
    void setLook(int item, TokenLook look);
    // The row's cells changed in the table: show them anew.
    void refreshItem(int item);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The "Token" column can be edited in place, except for read-only tokens;
    // the edits reach the window through the list's editor, not through the model.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // As the model's own, quicker for the list's type-ahead (the first token
    // text starting with the typed one, from an item on).
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    const TokenTable *m_table = nullptr; // not owned
    const CheckColumn *m_checks = nullptr; // not owned
    const CodePage *m_codePage;
    const TokenTable *m_master = nullptr;  // not owned
    const CodePage *m_masterCodePage;
    // A look in one byte, as a million items keep it.
    static std::uint8_t Packed(const TokenLook &look);
    static TokenLook Unpacked(std::uint8_t packed);
    // Room for n looks, and no more than twice that kept.
    static void ResizeLooks(std::vector<std::uint8_t> &looks, std::size_t n);

    SharedListRows m_list = NoListRows(); // never null
    std::vector<std::uint8_t> m_looks;    // by item, packed
    QFont m_font;
    QFont m_boldFont;
};

template <typename LookOf>
void TokenListModel::setItemsByRow(const TokenTable *table, SharedListRows rows, LookOf lookOf)
{
    beginResetModel();
    m_table = table;
    m_list = rows ? std::move(rows) : NoListRows();
    const ListRows &listed = *m_list;
    ResizeLooks(m_looks, listed.size());
    for (std::size_t item = 0; item < listed.size(); ++item)
        m_looks[item] = Packed(lookOf(static_cast<std::size_t>(listed[item])));
    endResetModel();
}

} // namespace quenlit
