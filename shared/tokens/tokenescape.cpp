#include "tokenescape.h"

#include <algorithm>

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendUnicodeEscape(std::string &out, char16_t c)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(c >> shift) & 0xF];
}

bool isFieldSeparator(char16_t c)
{
    return c == u'|' || c == u'=' || c == u']' || c == u'[';
}

std::string escape(const std::u16string &text, bool field, const CodePage &cp)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        switch (c) {
        case u'\\':
            out += "\\\\";
            ++i;
            continue;
        case u'\t':
            out += "\\t";
            ++i;
            continue;
        case u'\r':
            out += "\\r";
            ++i;
            continue;
        case u'\n':
            out += "\\n";
            ++i;
            continue;
        default:
            break;
        }
        if (field && isFieldSeparator(c)) {
            appendUnicodeEscape(out, c);
            ++i;
            continue;
        }
        const std::size_t length = CodePage::characterLength(text, i);
        std::optional<std::string> bytes;
        // A stand-in for an undefined byte is a character of the text here (a
        // lone surrogate), not a byte to write.
        if (!CodePage::isStandIn(c))
            bytes = cp.encodeCharacter(text, i);
        if (bytes && field && bytes->find_first_of("|=[]") != std::string::npos)
            bytes.reset();
        if (bytes) {
            out += *bytes;
        } else {
            for (std::size_t k = 0; k < length; ++k)
                appendUnicodeEscape(out, text[i + k]);
        }
        i += length;
    }
    return out;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

} // namespace

std::string EscapeText(const std::u16string &text, const CodePage &codePage)
{
    return escape(text, false, codePage);
}

std::string EscapeField(const std::u16string &text, const CodePage &codePage)
{
    return escape(text, true, codePage);
}

void ResolveEscapes(std::u16string &t)
{
    if (t.find(u'\\') == std::u16string::npos)
        return;
    const std::size_t n = t.size();
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = t[i];
        if (c == u'\\' && i + 1 < n) {
            const char16_t next = t[i + 1];
            if (next == u'\\' || next == u't' || next == u'r' || next == u'n') {
                t[out++] = next == u'\\' ? u'\\' : next == u't' ? u'\t' : next == u'r' ? u'\r' : u'\n';
                ++i;
                continue;
            }
            if (next == u'u' && i + 5 < n) {
                int value = 0;
                bool ok = true;
                for (std::size_t k = 0; k < 4; ++k) {
                    const int h = hexValue(t[i + 2 + k]);
                    ok = ok && h >= 0;
                    value = value * 16 + (h < 0 ? 0 : h);
                }
                if (ok) {
                    t[out++] = static_cast<char16_t>(value);
                    i += 5;
                    continue;
                }
            }
        }
        t[out++] = c;
    }
    t.resize(out);
}

std::u16string UnescapeText(const std::string &bytes, const CodePage &codePage)
{
    // Decoded first, so that escapes are found among characters, never inside one.
    std::u16string text = codePage.decode(bytes);
    ResolveEscapes(text);
    return text;
}

std::string TranscodeText(const std::string &bytes, const CodePage &from, const CodePage &to)
{
    if (from.number() == to.number())
        return bytes;
    return EscapeText(UnescapeText(bytes, from), to);
}

std::string TranscodeField(const std::string &bytes, const CodePage &from, const CodePage &to)
{
    if (from.number() == to.number())
        return bytes;
    // ASCII without escapes reads the same in every code page: kept as it is
    // (a ']' that a field may hold stays unescaped, as the file has it).
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char b) {
        return static_cast<unsigned char>(b) < 0x80 && b != '\\';
    });
    if (plain)
        return bytes;
    return EscapeField(UnescapeText(bytes, from), to);
}

std::string MalformedEscape(const std::string &bytes, const CodePage &codePage)
{
    const std::u16string text = codePage.decode(bytes);
    // The characters from i on, as the token file holds them.
    auto shown = [&](std::size_t i, std::size_t count) {
        const std::u16string part = text.substr(i, count);
        return "\"" + EscapeText(part, codePage).replace(0, 2, "\\") + "\"";
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\')
            continue;
        const std::string at = " at character " + std::to_string(i + 1);
        if (i + 1 == text.size())
            return "a backslash ends the text" + at + " (a backslash is written \\\\)";
        const char16_t n = text[i + 1];
        if (n == u'\\' || n == u't' || n == u'r' || n == u'n') {
            ++i;
            continue;
        }
        if (n == u'u') {
            bool hex = i + 5 < text.size();
            for (int k = 0; hex && k < 4; ++k)
                hex = hexValue(text[i + 2 + k]) >= 0;
            if (hex) {
                i += 5;
                continue;
            }
            return shown(i, 6) + at + " is not an escape: \\u takes four hex digits";
        }
        return shown(i, 2) + at + " is not an escape (\\\\ \\t \\r \\n \\uXXXX; a backslash is written \\\\)";
    }
    return {};
}

void TranscodeKeyCells(TokenTable &table, const CodePage &from, const CodePage &to)
{
    if (from.number() == to.number())
        return;
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        for (int column : TokenKeyColumns) {
            const std::string cell(table.cell(row, column));
            const std::string moved = TranscodeField(cell, from, to);
            if (moved != cell)
                table.setCell(row, column, moved);
        }
    }
}
