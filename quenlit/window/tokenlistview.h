#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <cstddef>

class QLineEdit;

// The in-place editor of the token list. It knows the table row it was opened
// on, so a commit reaches that token whatever happens to the list meanwhile;
// it has no length limit, commits only a text other than the one it started
// with, and the key that ends it (Enter, or Escape to cancel) does nothing else.
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

signals:
    // The editor of table row `row` was committed with `text`, which differs
    // from `original`, the text it was opened with.
    void textCommitted(std::size_t row, const QString &text, const QString &original);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    mutable QPointer<QLineEdit> m_editor;
};

// The token list `lvTok`: a report view with the in-place editor above. When
// the keyboard brings the focus in, the current row is also the selected one,
// so that what the pane shows is always the selected token.
class TokenListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TokenListView(QWidget *parent = nullptr);

    TokenItemDelegate *tokenDelegate() const { return m_delegate; }
    bool isEditing() const { return state() == EditingState; }
    // Commits an open in-place editor and closes it; nothing happens without one.
    // Called before anything rebuilds the list or works on the whole table.
    void finishEditing();
    // Closes an open in-place editor without committing it.
    void cancelEditing();

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    TokenItemDelegate *m_delegate;
};
