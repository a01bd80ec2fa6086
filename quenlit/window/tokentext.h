#pragma once

#include <QString>

class CodePage;

namespace quenlit {

// Why a text the user committed over `original` (the text it started from)
// cannot be stored in the token file, or an empty string. A line end or a tab
// the user added cannot be stored (one the text held when it was read stays,
// so an unchanged text always commits), nor a character the token file's code
// page cannot hold; the message names those characters and the code page.
QString UnstorableReason(const QString &text, const QString &original, const CodePage &codePage);

} // namespace quenlit
