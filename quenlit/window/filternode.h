#pragma once

#include "listing/tokenfilter.h"

#include <QMetaType>
#include <Qt>

// A node of the filter tree keeps its tag in Qt::UserRole, as the tree was
// always tagged, and the filter read from the tag once, when the tree is built,
// in kFilterRole.
constexpr int kFilterRole = Qt::UserRole + 1;

Q_DECLARE_METATYPE(TokenFilter)
