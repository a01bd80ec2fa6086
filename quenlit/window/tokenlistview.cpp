#include "window/tokenlistview.h"

#include "window/tokenlistmodel.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include <limits>

namespace quenlit {

namespace {

const char *const kRowProperty = "tableRow";
const char *const kOriginalProperty = "originalText";

} // namespace

QWidget *TokenItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return editor;
    // Texts of any length: the line edit's own limit is 32,767.
    line->setMaxLength(std::numeric_limits<int>::max());
    const auto *model = qobject_cast<const TokenListModel *>(index.model());
    line->setProperty(kRowProperty, QVariant::fromValue<qulonglong>(model ? model->tableRow(index.row()) : 0));
    m_editor = line;
    emit const_cast<TokenItemDelegate *>(this)->editorOpened(line, model ? model->tableRow(index.row()) : 0);
    return line;
}

void TokenItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // Only once: a change of the row while the editor is open must not replace
    // what the user is typing.
    if (editor->property(kOriginalProperty).isValid())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setProperty(kOriginalProperty, line->text());
}

void TokenItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return;
    const QString original = line->property(kOriginalProperty).toString();
    const auto row = static_cast<std::size_t>(line->property(kRowProperty).toULongLong());
    if (row == 0 || line->text() == original)
        return; // no new text: nothing is committed
    emit const_cast<TokenItemDelegate *>(this)->textCommitted(row, line->text(), original);
}

void TokenItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    // Each text in the direction its first strong character gives, as the
    // boxes show it: a right-to-left text reads the same way in both.
    plain.direction = index.data(Qt::DisplayRole).toString().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    QStyledItemDelegate::paint(painter, plain, index);
}

QLineEdit *TokenItemDelegate::openEditor() const
{
    return m_editor && m_editor->isVisible() ? m_editor.data() : nullptr;
}

bool TokenItemDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            auto *line = qobject_cast<QLineEdit *>(editor);
            const bool unchanged = line && line->text() == line->property(kOriginalProperty).toString();
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            // An edit that changed nothing was opened unawares (a slow second
            // click): the key goes on as Enter in the list.
            if (unchanged)
                emit const_cast<TokenItemDelegate *>(this)->enteredUnchanged();
            return true; // a committed edit: the key ends it and reaches nothing else
        }
        if (key == Qt::Key_Escape) {
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

TokenListView::TokenListView(QWidget *parent) : QTableView(parent), m_delegate(new TokenItemDelegate(this))
{
    setItemDelegate(m_delegate);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false); // Tab moves the focus on, as from any list
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    fitRowHeight();
}

void TokenListView::fitRowHeight()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    verticalHeader()->setDefaultSectionSize(std::max(size.height(), fontMetrics().height()));
}

void TokenListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitRowHeight();
}

QModelIndex TokenListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    const int column = current.isValid() ? current.column() : 0;
    switch (cursorAction) {
    case MoveLeft:
    case MoveRight: {
        QScrollBar *bar = horizontalScrollBar();
        bar->setValue(bar->value() + (cursorAction == MoveLeft ? -bar->singleStep() : bar->singleStep()));
        return current;
    }
    case MoveNext: // Tab out of the in-place editor: the next token
        cursorAction = MoveDown;
        break;
    case MovePrevious:
        cursorAction = MoveUp;
        break;
    case MoveHome:
        return rows ? model()->index(0, column, rootIndex()) : QModelIndex();
    case MoveEnd:
        return rows ? model()->index(rows - 1, column, rootIndex()) : QModelIndex();
    default:
        break;
    }
    const QModelIndex moved = QTableView::moveCursor(cursorAction, modifiers);
    return moved.isValid() ? moved.sibling(moved.row(), column) : moved;
}

void TokenListView::finishEditing()
{
    if (QLineEdit *editor = m_delegate->openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TokenListView::cancelEditing()
{
    if (QLineEdit *editor = m_delegate->openEditor())
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void TokenListView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event); // makes the first row current when none is
    const bool byKeyboard = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    const QModelIndex current = currentIndex();
    if (byKeyboard && current.isValid() && !selectionModel()->isRowSelected(current.row(), current.parent()))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TokenListView::keyPressEvent(QKeyEvent *event)
{
    // The first item is made current, not selected, when the list takes the
    // focus: a move that cannot leave it (Home, Up, Page Up) selects it.
    const QModelIndex before = currentIndex();
    const bool unselected = before.isValid() && !selectionModel()->isRowSelected(before.row(), before.parent());
    QTableView::keyPressEvent(event);
    const bool move = event->key() == Qt::Key_Home || event->key() == Qt::Key_End || event->key() == Qt::Key_Up ||
                      event->key() == Qt::Key_Down || event->key() == Qt::Key_PageUp ||
                      event->key() == Qt::Key_PageDown;
    if (unselected && move && state() != EditingState && currentIndex() == before)
        selectionModel()->select(before, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TokenListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QScrollBar *bar = horizontalScrollBar();
    const int sideways = bar->value();
    QTableView::scrollTo(index, hint);
    bar->setValue(sideways);
}

} // namespace quenlit
