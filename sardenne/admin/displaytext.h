#pragma once

#include "panetext.h"
#include "qtext.h"

#include <QString>

#include <cstddef>
#include <string_view>

// How the administrator shows the bytes it reads. Everything else keeps them
// as read: these functions are for the screen only.

// Text read from a project file, in the code page of that project's language
// (Windows-1252 when none is given), through ShownText. The one decoding of
// values for display; names from the folder listing go through DisplayFileName.
QString DisplayText(std::string_view bytes, unsigned codePage = 1252);

// Our own fixed texts, which the core writes in Windows-1252.
QString FixedText(std::string_view bytes);

// At most this many bytes of a value are shown; a longer value is cut and ends
// with its length, so that no value can flood a line or a cell.
constexpr std::size_t kShownValueMax = 4096;

// A value for a cell of the language list: DisplayText, cut at kShownValueMax.
QString CellText(std::string_view bytes, unsigned codePage = 1252);

// A line of the output pane: each piece decoded by what it holds (values in the
// line's code page), values cut at kShownValueMax.
QString PaneLineText(const PaneText &line);
