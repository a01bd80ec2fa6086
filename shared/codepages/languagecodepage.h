#pragma once

#include <optional>
#include <string_view>

// The ANSI code page Windows gives the locale of a language identifier: primary
// language and sub-language, as the language line of a language project gives
// them in decimal. The sub-language decides where a language is written in two
// scripts (Serbian, Bosnian, Azeri, Uzbek: Latin or Cyrillic) and for Chinese
// (Simplified 936, Traditional 950). Every identifier Windows gives no ANSI code
// page of these fourteen (unknown ones, and the locales that are Unicode only)
// gives 1252.
unsigned AnsiCodePage(unsigned primary, unsigned sub);

// The primary and sub-language identifiers of a language line ("LANGUAGE 25 1":
// its second and third words, separated by single blanks, each a decimal
// number), or nothing when the line does not hold two such numbers.
struct LanguageId
{
    unsigned primary = 0;
    unsigned sub = 0;
};
std::optional<LanguageId> ParseLanguageLine(std::string_view line);

// The code page of a language line; 1252 when it holds no language.
unsigned CodePageOfLanguageLine(std::string_view line);

// The language identifier as one 16-bit value, and its two halves.
constexpr unsigned MakeLanguageId(unsigned primary, unsigned sub)
{
    return (sub << 10) | primary;
}
constexpr unsigned PrimaryLanguageOf(unsigned languageId)
{
    return languageId & 0x3FF;
}
constexpr unsigned SubLanguageOf(unsigned languageId)
{
    return languageId >> 10;
}
