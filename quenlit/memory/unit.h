#pragma once

#include "languagecodepage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace memory {

// Where a unit was translated: the language project (or the file it was
// imported from), the token's resource type (field 1) and place (fields 2, 3,
// 4 and 6 as "2|3|4|6"), and when it was added, in seconds since 1970 (UTC).
// Files of other tools leave the resource type and place empty.
struct Origin
{
    std::string project; // a path, as bytes
    std::string resourceType;
    std::string place;
    std::int64_t time = 0;
};

// One translated text. Texts are UTF-8, as the translator reads them: token
// escapes resolved (a real tab or line end), access-key markers kept.
struct Unit
{
    std::string source;
    std::string translation;
    LanguageId sourceLanguage;
    LanguageId targetLanguage;
    Origin origin;
};

// A unit found for a text: 100 is the same text, less is a fuzzy match (see
// Similarity).
struct Match
{
    int score = 0;
    Unit unit;
};

// A glossary entry: a source term and the translation a translation must use.
// A term with a source language of 0 0 applies to every source language.
struct Term
{
    std::string source;
    std::string translation;
    std::string note;
    LanguageId sourceLanguage;
    LanguageId targetLanguage;
};

// Where a file could not be read: its name, the line (0 when none applies) and
// what is wrong.
struct ReadError
{
    std::string file;
    std::size_t line = 0;
    std::string message;

    // "FILE:LINE: message", or "FILE: message".
    std::string text() const;
};

} // namespace memory
