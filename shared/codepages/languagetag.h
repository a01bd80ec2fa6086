#pragma once

#include "languagecodepage.h"

#include <optional>
#include <string>
#include <string_view>

// Names of Windows language identifiers, for the formats and libraries that
// name languages otherwise: BCP 47 tags ("fr-FR", "sr-Latn-RS") for exchange
// files, locale names ("fr_FR") for dictionaries, and the language's English
// name for messages.

// The tag of a language; a sub-language of 0 (neutral) gives the primary
// language's tag alone ("fr"). An identifier without a known tag gives the
// private-use tag "x-lcid-" and its four hexadecimal digits, which
// LanguageFromTag reads back.
std::string LanguageTag(LanguageId language);

// The locale name of a language: its tag with '_' between language and region
// and the script left out ("sr-Latn-RS" gives "sr_RS"); the language alone when
// the tag has no region. Empty for an identifier without a known tag.
std::string LocaleName(LanguageId language);

// The language subtag alone ("fr"), empty when unknown.
std::string PrimaryLanguageSubtag(unsigned primary);

// "French", "Russian"...; empty when unknown.
std::string LanguageName(unsigned primary);

// The identifier of a BCP 47 tag or locale name, in any case and with '-' or
// '_' ("fr", "fr-CA", "fr_FR.UTF-8", "pt_BR@euro"): the identifier whose tag is
// the same, else the primary language with its default sub-language (1) when
// the tag's region is unknown. Nothing for a language without an identifier.
std::optional<LanguageId> LanguageFromTag(std::string_view tag);

inline bool SameLanguage(LanguageId a, LanguageId b)
{
    return a.primary == b.primary && a.sub == b.sub;
}
