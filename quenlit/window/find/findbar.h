#pragma once

#include <QWidget>

#include <cstddef>
#include <optional>

class QLabel;
class QLineEdit;

namespace quenlit {

// The find box above the token list: what is typed narrows the list; the label
// beside it says how many tokens match. Escape clears it and hides it, giving the
// list back; Down or Enter goes to the list.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent = nullptr);

    QLineEdit *edit() const { return m_edit; }
    QString text() const;
    // Shows the bar and puts the caret in the box with its text selected.
    void activate();
    // Empties the box (telling so through textChanged) and hides the bar.
    void clearAndHide();
    // How many tokens match; nothing while the search runs.
    void setMatches(std::optional<std::size_t> matches);

signals:
    void textChanged(const QString &text);
    void closed();
    void goToList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_edit = nullptr;
    QLabel *m_count = nullptr;
};

} // namespace quenlit
