#include "inivalue.h"

#include <algorithm>
#include <cstdint>

namespace {

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

void appendUtf8(std::string &out, std::uint32_t code)
{
    if (code > 0x10FFFF)
        code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::optional<std::string> UnescapeIniValue(std::string_view s)
{
    std::string out;
    std::string item;
    std::size_t keep = 0; // item's length up to its last quoted or escaped character
    bool quoted = false;
    bool first = true;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto endItem = [&] {
        item.resize(keep > item.size() ? item.size() : std::max(keep, item.find_last_not_of(" \t") + 1));
        if (!first)
            out += ',';
        out += item;
        first = false;
        item.clear();
        keep = 0;
    };
    while (i < n && isBlank(s[i]))
        ++i;
    while (i < n) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
            keep = item.size();
            ++i;
            continue;
        }
        if (c == '\\' && i + 1 < n) {
            const char e = s[i + 1];
            i += 2;
            switch (e) {
            case 'a': item += '\a'; break;
            case 'b': item += '\b'; break;
            case 'f': item += '\f'; break;
            case 'n': item += '\n'; break;
            case 'r': item += '\r'; break;
            case 't': item += '\t'; break;
            case 'v': item += '\v'; break;
            case 'x': {
                std::uint32_t code = 0;
                while (i < n && isHex(s[i]) && code <= 0x10FFFF)
                    code = code * 16 + static_cast<std::uint32_t>(hexValue(s[i++]));
                appendUtf8(item, code);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    std::uint32_t code = static_cast<std::uint32_t>(e - '0');
                    while (i < n && s[i] >= '0' && s[i] <= '7' && code <= 0x10FFFF)
                        code = code * 8 + static_cast<std::uint32_t>(s[i++] - '0');
                    appendUtf8(item, code);
                } else {
                    item += e; // \\ \" \' \? and any other character stand for themselves
                }
            }
            keep = item.size();
            continue;
        }
        if (c == ',' && !quoted) {
            endItem();
            ++i;
            while (i < n && isBlank(s[i]))
                ++i;
            continue;
        }
        item += c;
        if (quoted)
            keep = item.size();
        ++i;
    }
    endItem();

    // Text values that begin with '@' are stored with a second one; other '@'
    // forms name types of their own.
    if (out.size() >= 2 && out[0] == '@' && out[1] == '@')
        return out.substr(1);
    if (out == "@Invalid()")
        return std::nullopt;
    const std::string_view tagged("@String(");
    if (out.size() > tagged.size() && out.compare(0, tagged.size(), tagged) == 0 && out.back() == ')')
        return out.substr(tagged.size(), out.size() - tagged.size() - 1);
    return out;
}

std::string EscapeIniValue(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 2);
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    if (!bytes.empty() && bytes.front() == '@')
        out += '@';
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeNextIfHex && isHex(c)) {
            static const char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[u >> 4];
            out += digits[u & 15];
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
        case '\0': out += "\\0"; escapeNextIfHex = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                static const char digits[] = "0123456789abcdef";
                out += "\\x";
                if (u >= 16)
                    out += digits[u >> 4];
                out += digits[u & 15];
                escapeNextIfHex = true;
            } else {
                out += c;
            }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}
