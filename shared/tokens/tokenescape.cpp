#include "tokenescape.h"

#include "charset.h"

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendUnicodeEscape(std::string &out, char16_t c)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(c >> shift) & 0xF];
}

std::string escape(const std::u16string &text, bool field)
{
    const Charset &cp = Charset::windows1252();
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'\\':
            out += "\\\\";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        default:
            break;
        }
        if (field && (c == u'|' || c == u'=' || c == u']' || c == u'[')) {
            appendUnicodeEscape(out, c);
            continue;
        }
        if (auto byte = cp.encodeChar(c))
            out += static_cast<char>(*byte);
        else
            appendUnicodeEscape(out, c);
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string EscapeText(const std::u16string &text)
{
    return escape(text, false);
}

std::string EscapeField(const std::u16string &text)
{
    return escape(text, true);
}

std::u16string UnescapeText(const std::string &bytes)
{
    const Charset &cp = Charset::windows1252();
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\\' && i + 1 < bytes.size()) {
            const char n = bytes[i + 1];
            if (n == '\\' || n == 't' || n == 'r' || n == 'n') {
                out += n == '\\' ? u'\\' : n == 't' ? u'\t' : n == 'r' ? u'\r' : u'\n';
                ++i;
                continue;
            }
            if (n == 'u' && i + 5 < bytes.size()) {
                int v = 0;
                bool ok = true;
                for (int k = 0; k < 4; ++k) {
                    const int h = hexValue(bytes[i + 2 + k]);
                    ok = ok && h >= 0;
                    v = v * 16 + (h < 0 ? 0 : h);
                }
                if (ok) {
                    out += static_cast<char16_t>(v);
                    i += 5;
                    continue;
                }
            }
        }
        out += cp.decodeByte(static_cast<unsigned char>(c));
    }
    return out;
}
