#include "window/find/findbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace quenlit {

FindBar::FindBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmFind"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("Find:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("txtFind"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setPlaceholderText(QStringLiteral("translation or original text"));
    label->setBuddy(m_edit);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lbFindCount"));
    layout->addWidget(label);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_count);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, &FindBar::textChanged);
    setVisible(false);
}

QString FindBar::text() const
{
    return m_edit->text();
}

void FindBar::activate()
{
    setVisible(true);
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void FindBar::clearAndHide()
{
    m_edit->clear();
    m_count->clear();
    setVisible(false);
}

void FindBar::setMatches(std::optional<std::size_t> matches)
{
    if (!matches)
        m_count->setText(QStringLiteral("Searching..."));
    else if (*matches == 0)
        m_count->setText(QStringLiteral("No token matches"));
    else if (*matches == 1)
        m_count->setText(QStringLiteral("1 token matches"));
    else
        m_count->setText(QStringLiteral("%1 tokens match").arg(*matches));
    if (m_edit->text().isEmpty())
        m_count->clear();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        switch (key->key()) {
        case Qt::Key_Escape:
            emit closed();
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit goToList();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quenlit
