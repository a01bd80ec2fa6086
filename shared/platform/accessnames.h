#pragma once

#include <QList>
#include <QString>

class QLabel;
class QWidget;

// What a screen reader reads of the windows, and the order the keyboard visits
// them in. Every control has a name of its own: a label beside a box is tied to
// it, and controls without a label say what they are.
namespace AccessNames {

// Names a control; with a label, ties the label to it too (its buddy), so that
// the label's access key, if it has one, reaches the control.
void Name(QWidget *control, const QString &name, QLabel *label = nullptr);

// Windows of the class (its QMetaObject name) are read as frames, the role of
// a program's main window; a window that is a plain QWidget would be a filler.
void ReadAsFrame(const char *className);

// Tab visits the widgets in this order (nulls are left out).
void ChainTabOrder(const QList<QWidget *> &widgets);

} // namespace AccessNames
