#include "accessnames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace AccessNames {

namespace {

QStringList &frameClasses()
{
    static QStringList classes;
    return classes;
}

QAccessibleInterface *frameFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType() || !frameClasses().contains(className))
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    return widget->isWindow() ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
}

} // namespace

void Name(QWidget *control, const QString &name, QLabel *label)
{
    if (!control)
        return;
    control->setAccessibleName(name);
    if (label)
        label->setBuddy(control);
}

void ReadAsFrame(const char *className)
{
    const QString name = QString::fromLatin1(className);
    if (frameClasses().contains(name))
        return;
    if (frameClasses().isEmpty())
        QAccessible::installFactory(frameFactory);
    frameClasses() << name;
}

void ChainTabOrder(const QList<QWidget *> &widgets)
{
    QWidget *previous = nullptr;
    for (QWidget *w : widgets) {
        if (!w)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

} // namespace AccessNames
