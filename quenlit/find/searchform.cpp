#include "find/searchform.h"

#include <unicode/uchar.h>

namespace {

// Reads the code point at i and advances i; a lone surrogate reads as itself.
char32_t nextCodePoint(std::u16string_view text, std::size_t &i)
{
    const char16_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size()) {
        const char16_t low = text[i];
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

bool isBlank(char32_t c)
{
    return c == u' ' || c == u'\t' || c == 0xA0 || u_isspace(static_cast<UChar32>(c));
}

std::size_t writeUtf8(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

template <bool Needle> void appendForm(std::u16string_view text, std::string &out)
{
    // At most three bytes per UTF-16 unit (a pair of them makes four).
    const std::size_t first = out.size();
    out.resize(first + 3 * text.size());
    char *const begin = out.data() + first;
    char *p = begin;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t unit = text[i];
        if (unit < 0x80 && unit != u'&') {
            *p++ = static_cast<char>(unit >= u'A' && unit <= u'Z' ? unit + 0x20 : unit);
            ++i;
            continue;
        }
        const char32_t c = nextCodePoint(text, i);
        if (c == u'&') {
            if (i < text.size() && text[i] == u'&') {
                ++i; // "&&": one literal "&"
            } else if (Needle && (i == text.size() || isBlank(text[i]))) {
                // typed "&" before a blank or at the end: literal
            } else {
                continue; // a marker
            }
        }
        p += writeUtf8(FoldCase(c), p);
    }
    out.resize(first + static_cast<std::size_t>(p - begin));
}

} // namespace

char32_t FoldCase(char32_t c)
{
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

bool IsWordChar(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') || c == U'_';
    const UChar32 u = static_cast<UChar32>(c);
    if (u_isalnum(u))
        return true;
    const auto type = u_charType(u);
    return type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK ||
           type == U_CONNECTOR_PUNCTUATION;
}

void AppendSearchForm(std::u16string_view text, std::string &out)
{
    appendForm<false>(text, out);
}

std::string SearchForm(std::u16string_view text)
{
    std::string out;
    appendForm<false>(text, out);
    return out;
}

std::string NeedleForm(std::u16string_view typed)
{
    std::string out;
    appendForm<true>(typed, out);
    return out;
}
