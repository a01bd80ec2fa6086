#pragma once

#include "memory/translationmemory.h"

#include <istream>
#include <optional>
#include <string>

namespace memory {

// Reads a gettext catalogue (.po): one unit per translated message (msgid and
// msgstr, or msgstr[0] of a plural), left out: the header, fuzzy messages,
// obsolete ones ("#~") and empty translations. The target language is the
// header's "Language:" (mapped to a Windows identifier: "fr" is 12 1), else
// `language`; the source language is `sourceLanguage` (gettext sources are
// English as a rule). The text is converted from the header's charset. The
// origin is the file, and the message's context as its place.
struct PoOptions
{
    std::optional<LanguageId> language;
    LanguageId sourceLanguage{9, 1};
};
std::optional<ReadError> ReadPo(std::istream &in, const std::string &name, UnitSink &sink,
                                const PoOptions &options = {});

} // namespace memory
