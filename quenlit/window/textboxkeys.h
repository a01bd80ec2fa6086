#pragma once

#include <QObject>

class QWidget;

namespace quenlit {

// Inside a text box where the user types (the translation box, the find box, the
// in-place editor...), Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y stay the box's own undo
// and redo of what was typed and not committed; everywhere else in the window
// they are the window's shortcuts. Installed on the application, it looks only at
// the widgets of one window.
class TextBoxKeys : public QObject
{
    Q_OBJECT

public:
    explicit TextBoxKeys(QWidget *window);
    ~TextBoxKeys() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};

} // namespace quenlit
