#include "window/tokenlistmodel.h"
#include "window/tokentext.h"

#include "window/checks/checkcolumn.h"
#include "codepage.h"
#include "qtext.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

#include <algorithm>
#include <array>
#include <string>

namespace quenlit {

namespace {

QColor colorOf(LookColor color)
{
    switch (color) {
    case LookColor::Red:
        return QColor(255, 0, 0);
    case LookColor::GrayText:
        return QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    case LookColor::WindowText:
        break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::WindowText);
}


} // namespace

TokenListModel::TokenListModel(QObject *parent)
    : QAbstractTableModel(parent), m_codePage(&CodePage::windows1252()), m_masterCodePage(&CodePage::windows1252())
{
    setFont(QApplication::font());
}

void TokenListModel::setCodePage(const CodePage &codePage)
{
    if (m_codePage == &codePage)
        return;
    m_codePage = &codePage;
    if (!rows().empty())
        emit dataChanged(index(0, TokenColumn), index(static_cast<int>(rows().size()) - 1, TokenColumn));
}

void TokenListModel::setMasterCodePage(const CodePage &codePage)
{
    if (m_masterCodePage == &codePage)
        return;
    m_masterCodePage = &codePage;
    if (!rows().empty())
        emit dataChanged(index(0, OriginalColumn), index(static_cast<int>(rows().size()) - 1, OriginalColumn));
}

void TokenListModel::setFont(const QFont &font)
{
    m_font = font;
    m_font.setBold(false);
    m_boldFont = font;
    m_boldFont.setBold(true);
}

void TokenListModel::setItems(const TokenTable *table, SharedListRows rows, std::vector<TokenLook> looks)
{
    beginResetModel();
    m_table = table;
    m_list = rows ? std::move(rows) : NoListRows();
    const ListRows &listed = *m_list;
    ResizeLooks(m_looks, listed.size());
    std::fill(m_looks.begin(), m_looks.end(), Packed(TokenLook{}));
    for (std::size_t i = 0; i < looks.size() && i < m_looks.size(); ++i)
        m_looks[i] = Packed(looks[i]);
    endResetModel();
}

std::uint8_t TokenListModel::Packed(const TokenLook &look)
{
    return static_cast<std::uint8_t>(look.itemBold | static_cast<unsigned>(look.itemColor) << 1 |
                                     look.statusBold << 3 | static_cast<unsigned>(look.statusColor) << 4 |
                                     look.readOnly << 6);
}

void TokenListModel::ResizeLooks(std::vector<std::uint8_t> &looks, std::size_t n)
{
    if (looks.capacity() / 2 > n)
        std::vector<std::uint8_t>().swap(looks);
    looks.resize(n);
}

TokenLook TokenListModel::Unpacked(std::uint8_t packed)
{
    TokenLook look;
    look.itemBold = packed & 1;
    look.itemColor = static_cast<LookColor>(packed >> 1 & 3);
    look.statusBold = packed >> 3 & 1;
    look.statusColor = static_cast<LookColor>(packed >> 4 & 3);
    look.readOnly = packed >> 6 & 1;
    return look;
}

void TokenListModel::clear()
{
    setItems(m_table, nullptr, {});
}

std::size_t TokenListModel::tableRow(int item) const
{
    if (item < 0 || static_cast<std::size_t>(item) >= rows().size())
        return 0;
    return rows()[static_cast<std::size_t>(item)];
}

int TokenListModel::itemOfRow(std::size_t row) const
{
    // Items are listed in row order.
    const auto found = std::lower_bound(rows().begin(), rows().end(), row);
    if (found == rows().end() || *found != row)
        return -1;
    return static_cast<int>(found - rows().begin());
}

void TokenListModel::checksChanged(std::size_t first, std::size_t last)
{
    // Items are listed in row order: the listed rows of the range are consecutive items.
    const auto begin = std::lower_bound(rows().begin(), rows().end(), first);
    const auto end = std::upper_bound(begin, rows().end(), last);
    if (begin == end)
        return;
    emit dataChanged(index(static_cast<int>(begin - rows().begin()), CheckColumnIndex),
                     index(static_cast<int>(end - rows().begin()) - 1, CheckColumnIndex));
}

void TokenListModel::setLook(int item, TokenLook look)
{
    if (item < 0 || static_cast<std::size_t>(item) >= m_looks.size())
        return;
    m_looks[static_cast<std::size_t>(item)] = Packed(look);
    refreshItem(item);
}

void TokenListModel::refreshItem(int item)
{
    emit dataChanged(index(item, 0), index(item, ColumnCount - 1));
}

int TokenListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows().size());
}

int TokenListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TokenListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_table || static_cast<std::size_t>(index.row()) >= rows().size())
        return {};
    const std::size_t row = rows()[static_cast<std::size_t>(index.row())];
    const TokenLook look = Unpacked(m_looks[static_cast<std::size_t>(index.row())]);
    if (index.column() == CheckColumnIndex) {
        if (role == Qt::FontRole)
            return m_font;
        if (role == TagRole)
            return QString::number(static_cast<qulonglong>(row));
        return m_checks && role != Qt::EditRole ? m_checks->data(row, role) : QVariant();
    }
    if (index.column() == OriginalColumn) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return m_master ? ShownText(MasterToken(*m_master, *m_table, row), *m_masterCodePage) : QString();
        case Qt::FontRole:
            return m_font;
        case TagRole:
            return QString::number(static_cast<qulonglong>(row));
        }
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case TokenColumn:
            return ShownText(m_table->cell(row, ColText), *m_codePage);
        case StatusColumn:
            return QString::fromStdString(StatusName(StatusOf(m_table->cell(row, ColStatus))));
        case TypeColumn:
            return QString::fromLatin1(TypeName(m_table->cell(row, ColType)));
        }
        break;
    case Qt::ForegroundRole:
        if (index.column() == TokenColumn)
            return colorOf(look.itemColor);
        if (index.column() == StatusColumn)
            return colorOf(look.statusColor);
        break;
    case Qt::FontRole:
        if (index.column() == TokenColumn)
            return look.itemBold ? m_boldFont : m_font;
        if (index.column() == StatusColumn)
            return look.statusBold ? m_boldFont : m_font;
        break;
    case TagRole:
        return QString::number(static_cast<qulonglong>(row));
    }
    return {};
}

QModelIndexList TokenListModel::match(const QModelIndex &start, int role, const QVariant &value, int hits,
                                      Qt::MatchFlags flags) const
{
    // Type-ahead in the list asks for the first token text from the current item
    // on that starts with what was typed, ignoring case. The texts are not
    // decoded one by one for it: a table of the bytes a text can start with
    // passes over the others, and only those are decoded and compared.
    const bool typeAhead = role == Qt::DisplayRole && hits == 1 && start.isValid() && !start.parent().isValid() &&
                           start.column() == TokenColumn && m_table &&
                           (flags & ~Qt::MatchWrap) == Qt::MatchStartsWith &&
                           value.userType() == QMetaType::QString && !value.toString().isEmpty();
    if (!typeAhead)
        return QAbstractTableModel::match(start, role, value, hits, flags);
    const QString typed = value.toString();
    const QStringView first = QStringView(typed).left(1);
    // Whether a text whose first byte is b may start with the typed text: in a
    // double-byte code page a lead byte always may.
    std::array<bool, 256> may{};
    for (int b = 0; b < 256; ++b) {
        if (m_codePage->isLeadByte(static_cast<unsigned char>(b))) {
            may[static_cast<std::size_t>(b)] = true;
            continue;
        }
        const QString one = FromTokenBytes(std::string(1, static_cast<char>(b)), *m_codePage);
        may[static_cast<std::size_t>(b)] = one.size() != 1 || QStringView(one).startsWith(first, Qt::CaseInsensitive);
    }
    const ListRows &listed = rows();
    const std::size_t count = listed.size();
    const auto from = static_cast<std::size_t>(start.row());
    auto search = [&](std::size_t begin, std::size_t end) -> int {
        for (std::size_t item = begin; item < end; ++item) {
            const std::string_view text = m_table->cell(listed[item], ColText);
            if (text.empty() || !may[static_cast<unsigned char>(text[0])])
                continue;
            if (FromTokenBytes(text, *m_codePage).startsWith(typed, Qt::CaseInsensitive))
                return static_cast<int>(item);
        }
        return -1;
    };
    int found = search(from, count);
    if (found < 0 && (flags & Qt::MatchWrap))
        found = search(0, std::min(from, count));
    if (found < 0)
        return {};
    return {index(found, TokenColumn)};
}

QVariant TokenListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TokenColumn:
        return QStringLiteral("Token");
    case StatusColumn:
        return QStringLiteral("Status");
    case TypeColumn:
        return QStringLiteral("Type");
    case CheckColumnIndex:
        return CheckColumn::headerText();
    case OriginalColumn:
        return QStringLiteral("Original");
    }
    return {};
}

Qt::ItemFlags TokenListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return QAbstractTableModel::flags(index);
    // The view asks this of every row when it lays the list out, so no token is
    // read here: the item's look knows whether its status is read-only, and
    // in-place editing is refused for those.
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const auto item = static_cast<std::size_t>(index.row());
    if (index.column() == TokenColumn && m_table && item < m_looks.size() && !Unpacked(m_looks[item]).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

} // namespace quenlit
