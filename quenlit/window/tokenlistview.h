#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <cstddef>

class QLineEdit;

namespace quenlit {

// The in-place editor of the token list. It knows the table row it was opened
// on, so a commit reaches that token whatever happens to the list meanwhile;
// it has no length limit, commits only a text other than the one it started
// with, and the key that ends it (Enter, or Escape to cancel) does nothing else,
// but for Enter on an unchanged text, which is told (Enter in the list then).
class TokenItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // The editor open now, if any.
    QLineEdit *openEditor() const;
    // Items are painted without the focus frame of their cell: the list's focus
    // is its selected row.
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

signals:
    // The editor of table row `row` was committed with `text`, which differs
    // from `original`, the text it was opened with.
    void textCommitted(std::size_t row, const QString &text, const QString &original);
    // Enter closed the editor with the text it was opened with.
    void enteredUnchanged();
    // An editor was made for table row `row`.
    void editorOpened(QLineEdit *editor, std::size_t row);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    mutable QPointer<QLineEdit> m_editor;
};

// The token list `lvTok`: a report view with the in-place editor above. When
// the keyboard brings the focus in, the current row is also the selected one,
// so that what the pane shows is always the selected token.
//
// It keeps nothing per row (a tree view lays out an item for each), so a list of
// a million tokens costs no memory and no time beyond the rows on the screen.
// The keys move as in a report list: up and down through the rows, Home and End
// to the first and the last, left and right scroll; the current item stays in
// the token column. Tab in the in-place editor goes on to the next token's text.
class TokenListView : public QTableView
{
    Q_OBJECT

public:
    explicit TokenListView(QWidget *parent = nullptr);

    TokenItemDelegate *tokenDelegate() const { return m_delegate; }
    QHeaderView *header() const { return horizontalHeader(); }
    bool isEditing() const { return state() == EditingState; }
    // Commits an open in-place editor and closes it; nothing happens without one.
    // Called before anything rebuilds the list or works on the whole table.
    void finishEditing();
    // Closes an open in-place editor without committing it.
    void cancelEditing();
    // Brings the row into sight without scrolling sideways.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void changeEvent(QEvent *event) override;

private:
    // Rows as high as one line of the list's font, as a report list has them.
    void fitRowHeight();

    TokenItemDelegate *m_delegate;
};

} // namespace quenlit
