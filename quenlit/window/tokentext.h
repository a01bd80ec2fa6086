#pragma once

#include <QString>

#include <cstddef>
#include <string_view>

class CodePage;

namespace quenlit {

// Why a text the user committed over `original` (the text it started from)
// cannot be stored in the token file, or an empty string. A line end or a tab
// the user added cannot be stored (one the text held when it was read stays,
// so an unchanged text always commits), nor a character the token file's code
// page cannot hold; the message names those characters and the code page.
QString UnstorableReason(const QString &text, const QString &original, const CodePage &codePage);

// A cell's bytes as the list and the boxes show them. A text of more than 1 MB
// is shown cut to its first 65,536 characters, followed by a note that gives its
// whole length ("... [1,000,000,000 characters; shown up to 65,536]"), so that
// selecting it never freezes the window; the table keeps it whole, and a text
// typed over it replaces it whole.
QString ShownText(std::string_view bytes, const CodePage &codePage);
constexpr std::size_t kLongestShownBytes = 1u << 20;
constexpr int kShownCharacters = 65536;

} // namespace quenlit
