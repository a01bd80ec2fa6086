#pragma once

#include <QLocale>

class QCoreApplication;

// Installs Qt's own translations for a locale (qtbase_<locale> from Qt's
// translations folder), so that the standard dialogs and buttons speak the
// user's language; the programs' own texts are fixed and stay as they are.
// Returns whether a translation was found for the locale.
bool InstallQtTranslations(QCoreApplication &app, const QLocale &locale = QLocale());
