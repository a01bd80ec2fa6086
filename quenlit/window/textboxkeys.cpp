#include "window/textboxkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace quenlit {

namespace {

enum class BoxKey
{
    None,
    Undo,
    Redo
};

BoxKey boxKey(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_Z && mods == Qt::ControlModifier)
        return BoxKey::Undo;
    if ((key->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (key->key() == Qt::Key_Y && mods == Qt::ControlModifier))
        return BoxKey::Redo;
    return BoxKey::None;
}

QLineEdit *typingBox(QObject *object, QWidget *window)
{
    auto *box = qobject_cast<QLineEdit *>(object);
    if (!box || box->isReadOnly() || !box->isEnabled() || box->window() != window)
        return nullptr;
    return box;
}

} // namespace

TextBoxKeys::TextBoxKeys(QWidget *window) : QObject(window), m_window(window)
{
    qApp->installEventFilter(this);
}

TextBoxKeys::~TextBoxKeys()
{
    qApp->removeEventFilter(this);
}

bool TextBoxKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    QLineEdit *box = typingBox(watched, m_window);
    if (!box)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const BoxKey which = boxKey(key);
    if (which == BoxKey::None)
        return false;
    if (type == QEvent::ShortcutOverride) {
        key->accept(); // the box has the key, not the window's shortcut
        return false;
    }
    // The box's own undo and redo, whichever of the keys the platform binds.
    if (which == BoxKey::Undo)
        box->undo();
    else
        box->redo();
    return true;
}

} // namespace quenlit
