#pragma once

#include <QString>

// How the administrator names a Windows language identifier: the primary
// language's name where it is known, and the identifiers as a language line
// gives them, e.g. "anglais (LANGUAGE 9 1)".
QString LanguageLabel(unsigned languageId);
