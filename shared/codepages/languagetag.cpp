#include "languagetag.h"

#include <cstdio>

namespace {

struct Primary
{
    unsigned primary;
    const char *subtag;
    const char *name;
};

// Primary languages and their English names.
constexpr Primary kPrimaries[] = {
    {0x01, "ar", "Arabic"},     {0x02, "bg", "Bulgarian"},  {0x03, "ca", "Catalan"},
    {0x04, "zh", "Chinese"},    {0x05, "cs", "Czech"},      {0x06, "da", "Danish"},
    {0x07, "de", "German"},     {0x08, "el", "Greek"},      {0x09, "en", "English"},
    {0x0A, "es", "Spanish"},    {0x0B, "fi", "Finnish"},    {0x0C, "fr", "French"},
    {0x0D, "he", "Hebrew"},     {0x0E, "hu", "Hungarian"},  {0x0F, "is", "Icelandic"},
    {0x10, "it", "Italian"},    {0x11, "ja", "Japanese"},   {0x12, "ko", "Korean"},
    {0x13, "nl", "Dutch"},      {0x14, "nb", "Norwegian"},  {0x15, "pl", "Polish"},
    {0x16, "pt", "Portuguese"}, {0x17, "rm", "Romansh"},    {0x18, "ro", "Romanian"},
    {0x19, "ru", "Russian"},    {0x1A, "hr", "Croatian"},   {0x1B, "sk", "Slovak"},
    {0x1C, "sq", "Albanian"},   {0x1D, "sv", "Swedish"},    {0x1E, "th", "Thai"},
    {0x1F, "tr", "Turkish"},    {0x20, "ur", "Urdu"},       {0x21, "id", "Indonesian"},
    {0x22, "uk", "Ukrainian"},  {0x23, "be", "Belarusian"}, {0x24, "sl", "Slovenian"},
    {0x25, "et", "Estonian"},   {0x26, "lv", "Latvian"},    {0x27, "lt", "Lithuanian"},
    {0x28, "tg", "Tajik"},      {0x29, "fa", "Persian"},    {0x2A, "vi", "Vietnamese"},
    {0x2B, "hy", "Armenian"},   {0x2C, "az", "Azerbaijani"}, {0x2D, "eu", "Basque"},
    {0x2F, "mk", "Macedonian"}, {0x36, "af", "Afrikaans"},  {0x37, "ka", "Georgian"},
    {0x38, "fo", "Faroese"},    {0x39, "hi", "Hindi"},      {0x3A, "mt", "Maltese"},
    {0x3C, "ga", "Irish"},      {0x3E, "ms", "Malay"},      {0x3F, "kk", "Kazakh"},
    {0x40, "ky", "Kyrgyz"},     {0x41, "sw", "Swahili"},    {0x43, "uz", "Uzbek"},
    {0x44, "tt", "Tatar"},      {0x45, "bn", "Bangla"},     {0x46, "pa", "Punjabi"},
    {0x47, "gu", "Gujarati"},   {0x49, "ta", "Tamil"},      {0x4A, "te", "Telugu"},
    {0x4B, "kn", "Kannada"},    {0x4C, "ml", "Malayalam"},  {0x4E, "mr", "Marathi"},
    {0x50, "mn", "Mongolian"},  {0x52, "cy", "Welsh"},      {0x56, "gl", "Galician"},
    {0x5E, "am", "Amharic"},    {0x61, "ne", "Nepali"},     {0x62, "fy", "Frisian"},
    {0x63, "ps", "Pashto"},     {0x6D, "ba", "Bashkir"},    {0x6E, "lb", "Luxembourgish"},
    {0x7E, "br", "Breton"},     {0x83, "co", "Corsican"},   {0x91, "gd", "Scottish Gaelic"},
};

struct Tagged
{
    unsigned primary;
    unsigned sub;
    const char *tag;
};

// Full tags, the default sub-language (1) of each language first.
constexpr Tagged kTags[] = {
    {0x01, 1, "ar-SA"}, {0x01, 5, "ar-EG"}, {0x02, 1, "bg-BG"}, {0x03, 1, "ca-ES"},
    {0x04, 1, "zh-TW"}, {0x04, 2, "zh-CN"}, {0x04, 3, "zh-HK"}, {0x04, 4, "zh-SG"}, {0x04, 5, "zh-MO"},
    {0x05, 1, "cs-CZ"}, {0x06, 1, "da-DK"},
    {0x07, 1, "de-DE"}, {0x07, 2, "de-CH"}, {0x07, 3, "de-AT"}, {0x07, 4, "de-LU"}, {0x07, 5, "de-LI"},
    {0x08, 1, "el-GR"},
    {0x09, 1, "en-US"}, {0x09, 2, "en-GB"}, {0x09, 3, "en-AU"}, {0x09, 4, "en-CA"}, {0x09, 5, "en-NZ"},
    {0x09, 6, "en-IE"}, {0x09, 7, "en-ZA"}, {0x09, 0x10, "en-IN"},
    {0x0A, 1, "es-ES"}, {0x0A, 2, "es-MX"}, {0x0A, 3, "es-ES"}, {0x0A, 0x0B, "es-AR"}, {0x0A, 0x16, "es-US"},
    {0x0B, 1, "fi-FI"},
    {0x0C, 1, "fr-FR"}, {0x0C, 2, "fr-BE"}, {0x0C, 3, "fr-CA"}, {0x0C, 4, "fr-CH"}, {0x0C, 5, "fr-LU"},
    {0x0C, 6, "fr-MC"},
    {0x0D, 1, "he-IL"}, {0x0E, 1, "hu-HU"}, {0x0F, 1, "is-IS"}, {0x10, 1, "it-IT"}, {0x10, 2, "it-CH"},
    {0x11, 1, "ja-JP"}, {0x12, 1, "ko-KR"}, {0x13, 1, "nl-NL"}, {0x13, 2, "nl-BE"},
    {0x14, 1, "nb-NO"}, {0x14, 2, "nn-NO"}, {0x15, 1, "pl-PL"}, {0x16, 1, "pt-BR"}, {0x16, 2, "pt-PT"},
    {0x17, 1, "rm-CH"}, {0x18, 1, "ro-RO"}, {0x19, 1, "ru-RU"},
    {0x1A, 1, "hr-HR"}, {0x1A, 2, "sr-Latn-CS"}, {0x1A, 3, "sr-Cyrl-CS"}, {0x1A, 4, "hr-BA"},
    {0x1A, 5, "bs-Latn-BA"}, {0x1A, 6, "sr-Latn-BA"}, {0x1A, 7, "sr-Cyrl-BA"}, {0x1A, 8, "bs-Cyrl-BA"},
    {0x1A, 9, "sr-Latn-RS"}, {0x1A, 10, "sr-Cyrl-RS"}, {0x1A, 11, "sr-Latn-ME"}, {0x1A, 12, "sr-Cyrl-ME"},
    {0x1B, 1, "sk-SK"}, {0x1C, 1, "sq-AL"}, {0x1D, 1, "sv-SE"}, {0x1D, 2, "sv-FI"}, {0x1E, 1, "th-TH"},
    {0x1F, 1, "tr-TR"}, {0x20, 1, "ur-PK"}, {0x21, 1, "id-ID"}, {0x22, 1, "uk-UA"}, {0x23, 1, "be-BY"},
    {0x24, 1, "sl-SI"}, {0x25, 1, "et-EE"}, {0x26, 1, "lv-LV"}, {0x27, 1, "lt-LT"}, {0x28, 1, "tg-Cyrl-TJ"},
    {0x29, 1, "fa-IR"}, {0x2A, 1, "vi-VN"}, {0x2B, 1, "hy-AM"}, {0x2C, 1, "az-Latn-AZ"},
    {0x2C, 2, "az-Cyrl-AZ"}, {0x2D, 1, "eu-ES"}, {0x2F, 1, "mk-MK"}, {0x36, 1, "af-ZA"}, {0x37, 1, "ka-GE"},
    {0x38, 1, "fo-FO"}, {0x39, 1, "hi-IN"}, {0x3A, 1, "mt-MT"}, {0x3C, 2, "ga-IE"}, {0x3E, 1, "ms-MY"},
    {0x3E, 2, "ms-BN"}, {0x3F, 1, "kk-KZ"}, {0x40, 1, "ky-KG"}, {0x41, 1, "sw-KE"}, {0x43, 1, "uz-Latn-UZ"},
    {0x43, 2, "uz-Cyrl-UZ"}, {0x44, 1, "tt-RU"}, {0x45, 1, "bn-IN"}, {0x46, 1, "pa-IN"}, {0x47, 1, "gu-IN"},
    {0x49, 1, "ta-IN"}, {0x4A, 1, "te-IN"}, {0x4B, 1, "kn-IN"}, {0x4C, 1, "ml-IN"}, {0x4E, 1, "mr-IN"},
    {0x50, 1, "mn-MN"}, {0x52, 1, "cy-GB"}, {0x56, 1, "gl-ES"}, {0x5E, 1, "am-ET"}, {0x61, 1, "ne-NP"},
    {0x62, 1, "fy-NL"}, {0x63, 1, "ps-AF"}, {0x6D, 1, "ba-RU"}, {0x6E, 1, "lb-LU"}, {0x7E, 1, "br-FR"},
    {0x83, 1, "co-FR"}, {0x91, 1, "gd-GB"},
};

const Primary *primaryOf(unsigned primary)
{
    for (const Primary &p : kPrimaries) {
        if (p.primary == primary)
            return &p;
    }
    return nullptr;
}

const Tagged *taggedOf(LanguageId language)
{
    for (const Tagged &t : kTags) {
        if (t.primary == language.primary && t.sub == language.sub)
            return &t;
    }
    return nullptr;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// A tag in lower case with '-' between its subtags, without a locale's
// ".codeset" or "@modifier".
std::string normalTag(std::string_view tag)
{
    const std::size_t end = tag.find_first_of(".@");
    std::string out;
    for (char c : tag.substr(0, end))
        out.push_back(c == '_' ? '-' : lower(c));
    return out;
}

// Whether a table's tag, in any case, is the lower-case `tag`.
bool sameTag(const char *text, const std::string &tag)
{
    std::size_t i = 0;
    for (; text[i]; ++i) {
        if (i >= tag.size() || lower(text[i]) != tag[i])
            return false;
    }
    return i == tag.size();
}

} // namespace

std::string LanguageTag(LanguageId language)
{
    if (const Tagged *t = taggedOf(language))
        return t->tag;
    if (language.sub == 0) {
        if (const Primary *p = primaryOf(language.primary))
            return p->subtag;
    }
    char text[16];
    std::snprintf(text, sizeof text, "x-lcid-%04x", MakeLanguageId(language.primary, language.sub) & 0xFFFF);
    return text;
}

std::string LocaleName(LanguageId language)
{
    const Tagged *t = taggedOf(language);
    if (!t)
        return language.sub == 0 ? PrimaryLanguageSubtag(language.primary) : std::string();
    const std::string tag = t->tag;
    const std::size_t first = tag.find('-');
    const std::size_t last = tag.rfind('-');
    return tag.substr(0, first) + "_" + tag.substr(last + 1);
}

std::string PrimaryLanguageSubtag(unsigned primary)
{
    const Primary *p = primaryOf(primary);
    return p ? p->subtag : "";
}

std::string LanguageName(unsigned primary)
{
    const Primary *p = primaryOf(primary);
    return p ? p->name : "";
}

std::optional<LanguageId> LanguageFromTag(std::string_view text)
{
    const std::string tag = normalTag(text);
    if (tag.empty())
        return std::nullopt;
    if (tag.rfind("x-lcid-", 0) == 0 && tag.size() == 11) {
        unsigned id = 0;
        for (char c : tag.substr(7)) {
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                return std::nullopt;
            id = id * 16 + static_cast<unsigned>(digit);
        }
        return LanguageId{PrimaryLanguageOf(id), SubLanguageOf(id)};
    }
    for (const Tagged &t : kTags) {
        if (sameTag(t.tag, tag))
            return LanguageId{t.primary, t.sub};
    }
    const std::string subtag = tag.substr(0, tag.find('-'));
    if (subtag == "nn")
        return LanguageId{0x14, 2};
    if (subtag == "no")
        return LanguageId{0x14, 1};
    // Serbian and Bosnian share Croatian's identifier.
    if (subtag == "sr" || subtag == "bs") {
        const bool cyrillic = tag.find("-cyrl") != std::string::npos;
        if (subtag == "sr")
            return LanguageId{0x1A, cyrillic ? 10u : 9u};
        return LanguageId{0x1A, cyrillic ? 8u : 5u};
    }
    for (const Primary &p : kPrimaries) {
        if (subtag == p.subtag) {
            for (const Tagged &t : kTags) {
                if (t.primary == p.primary)
                    return LanguageId{t.primary, t.sub}; // the default sub-language comes first
            }
            return LanguageId{p.primary, 1};
        }
    }
    return std::nullopt;
}
