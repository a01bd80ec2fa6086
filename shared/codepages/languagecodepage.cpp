#include "languagecodepage.h"

#include <string>

namespace {

// Windows' locales by primary language (LOCALE_IDEFAULTANSICODEPAGE), for the
// languages whose ANSI code page is not 1252. Where the script depends on the
// sub-language, the sub-language decides (below).
struct PrimaryCodePage
{
    unsigned primary;
    unsigned codePage;
};

constexpr PrimaryCodePage kPrimaries[] = {
    {0x01, 1256}, // Arabic
    {0x02, 1251}, // Bulgarian
    {0x05, 1250}, // Czech
    {0x08, 1253}, // Greek
    {0x0D, 1255}, // Hebrew
    {0x0E, 1250}, // Hungarian
    {0x11, 932},  // Japanese
    {0x12, 949},  // Korean
    {0x15, 1250}, // Polish
    {0x18, 1250}, // Romanian
    {0x19, 1251}, // Russian
    {0x1B, 1250}, // Slovak
    {0x1C, 1250}, // Albanian
    {0x1E, 874},  // Thai
    {0x1F, 1254}, // Turkish
    {0x20, 1256}, // Urdu
    {0x22, 1251}, // Ukrainian
    {0x23, 1251}, // Belarusian
    {0x24, 1250}, // Slovenian
    {0x25, 1257}, // Estonian
    {0x26, 1257}, // Latvian
    {0x27, 1257}, // Lithuanian
    {0x28, 1251}, // Tajik (Cyrillic)
    {0x29, 1256}, // Persian
    {0x2A, 1258}, // Vietnamese
    {0x2F, 1251}, // Macedonian
    {0x3F, 1251}, // Kazakh
    {0x40, 1251}, // Kyrgyz
    {0x42, 1250}, // Turkmen
    {0x44, 1251}, // Tatar
    {0x6D, 1251}, // Bashkir
    {0x80, 1256}, // Uyghur
    {0x85, 1251}, // Yakut
    {0x8C, 1256}, // Dari
};

constexpr unsigned LANG_CHINESE = 0x04;
constexpr unsigned LANG_SERBO_CROATIAN = 0x1A; // Croatian, Serbian and Bosnian share it
constexpr unsigned LANG_AZERI = 0x2C;
constexpr unsigned LANG_UZBEK = 0x43;
constexpr unsigned LANG_MONGOLIAN = 0x50;

unsigned chinese(unsigned sub)
{
    switch (sub) {
    case 0x00: // neutral: Simplified
    case 0x02: // PRC
    case 0x04: // Singapore
        return 936;
    case 0x01: // Taiwan
    case 0x03: // Hong Kong SAR
    case 0x05: // Macao SAR
    case 0x1F: // Traditional (zh-Hant)
        return 950;
    default:
        return 1252;
    }
}

unsigned serboCroatian(unsigned sub)
{
    switch (sub) {
    case 0x03: // Serbian, Cyrillic (Serbia and Montenegro, former)
    case 0x07: // Serbian, Cyrillic (Bosnia and Herzegovina)
    case 0x08: // Bosnian, Cyrillic (Bosnia and Herzegovina)
    case 0x0A: // Serbian, Cyrillic (Serbia)
    case 0x0C: // Serbian, Cyrillic (Montenegro)
    case 0x19: // Bosnian, Cyrillic (bs-Cyrl)
    case 0x1B: // Serbian, Cyrillic (sr-Cyrl)
        return 1251;
    default: // Croatian, and Serbian and Bosnian in Latin letters
        return 1250;
    }
}

// Azeri and Uzbek: Latin (1254) but for their Cyrillic sub-languages, the
// country one (2) and the script one (az-Cyrl 0x1D, uz-Cyrl 0x1E).
unsigned azeri(unsigned sub)
{
    return sub == 0x02 || sub == 0x1D ? 1251 : 1254;
}

unsigned uzbek(unsigned sub)
{
    return sub == 0x02 || sub == 0x1E ? 1251 : 1254;
}

// Mongolian in Cyrillic letters; the traditional script (PRC, Mongolia and the
// script's own sub-language) is Unicode only.
unsigned mongolian(unsigned sub)
{
    return sub == 0x02 || sub == 0x03 || sub == 0x1F ? 1252 : 1251;
}

} // namespace

unsigned AnsiCodePage(unsigned primary, unsigned sub)
{
    switch (primary) {
    case LANG_CHINESE:
        return chinese(sub);
    case LANG_SERBO_CROATIAN:
        return serboCroatian(sub);
    case LANG_AZERI:
        return azeri(sub);
    case LANG_UZBEK:
        return uzbek(sub);
    case LANG_MONGOLIAN:
        return mongolian(sub);
    default:
        break;
    }
    for (const PrimaryCodePage &entry : kPrimaries) {
        if (entry.primary == primary)
            return entry.codePage;
    }
    return 1252;
}

std::optional<LanguageId> ParseLanguageLine(std::string_view line)
{
    // Words are cut at every single blank: word 2 lies between the first and the
    // second blank, word 3 between the second and the third (or the line's end).
    std::string_view words[3];
    std::size_t start = 0;
    for (int w = 0; w < 3; ++w) {
        if (start > line.size())
            return std::nullopt;
        const std::size_t blank = line.find(' ', start);
        words[w] = line.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start);
        start = blank == std::string_view::npos ? line.size() + 1 : blank + 1;
    }
    auto number = [](std::string_view word) -> std::optional<unsigned> {
        if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        return static_cast<unsigned>(std::stoul(std::string(word)));
    };
    const auto primary = number(words[1]);
    const auto sub = number(words[2]);
    if (!primary || !sub || *primary > 0x3FF || *sub > 0x3F)
        return std::nullopt;
    return LanguageId{*primary, *sub};
}

unsigned CodePageOfLanguageLine(std::string_view line)
{
    const auto id = ParseLanguageLine(line);
    return id ? AnsiCodePage(id->primary, id->sub) : 1252;
}
