#pragma once

#include "find/replaceplan.h"

#include <QDialog>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace quenlit {

// The replace bar above the token list: the text to find, its replacement, match
// case and whole words, and "Replace all", which the flow plans and applies.
class ReplaceBar : public QWidget
{
    Q_OBJECT

public:
    explicit ReplaceBar(QWidget *parent = nullptr);

    // Shows the bar with the caret in the find field; `find` fills it when not empty.
    void activate(const QString &find);
    ReplaceOptions options() const;

    QLineEdit *findEdit() const { return m_find; }
    QLineEdit *replaceEdit() const { return m_replace; }

signals:
    void replaceAllRequested();
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_find = nullptr;
    QLineEdit *m_replace = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QCheckBox *m_wholeWords = nullptr;
    QPushButton *m_replaceAll = nullptr;
};

// The preview of "Replace all": each token that changes, its text now and after.
// Nothing is changed unless the user confirms with "Replace".
class ReplacePreview : public QDialog
{
    Q_OBJECT

public:
    ReplacePreview(std::shared_ptr<const ReplacePlan> plan, QWidget *parent = nullptr);

    QTreeView *changes() const { return m_changes; }
    QPushButton *replaceButton() const { return m_replaceButton; }

private:
    QTreeView *m_changes = nullptr;
    QPushButton *m_replaceButton = nullptr;
};

} // namespace quenlit
