#pragma once

#include <QIcon>
#include <QString>

// The icon of one of our programs ("quenlit", "sardenne", "rladmin"), with a
// picture for every size a desktop asks for, from the resources compiled into
// the program. A null icon for a name that has none.
QIcon ProgramIcon(const QString &name);
