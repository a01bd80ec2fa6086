#include "checks/checktext.h"

#include "codepage.h"
#include "tokenescape.h"

#include <algorithm>

namespace checktext {

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool in(char16_t c, char16_t low, char16_t high)
{
    return c >= low && c <= high;
}

std::u16string_view trimBlanks(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The length of the printf conversion that starts after the "%" at `start`, or 0.
std::size_t printfLength(std::u16string_view t, std::size_t start, bool spaceFlag)
{
    std::size_t j = start;
    const std::size_t n = t.size();
    while (j < n && (t[j] == u'-' || t[j] == u'+' || t[j] == u'#' || t[j] == u'0' || (spaceFlag && t[j] == u' ')))
        ++j;
    if (j < n && t[j] == u'*')
        ++j;
    else
        while (j < n && isDigit(t[j]))
            ++j;
    if (j < n && t[j] == u'.') {
        ++j;
        if (j < n && t[j] == u'*')
            ++j;
        else
            while (j < n && isDigit(t[j]))
                ++j;
    }
    static const std::u16string_view lengths[] = {u"hh", u"ll", u"I64", u"I32", u"h", u"l", u"L",
                                                  u"q",  u"j",  u"z",   u"t",   u"I", u"w"};
    for (std::u16string_view l : lengths) {
        if (t.substr(j, l.size()) == l) {
            j += l.size();
            break;
        }
    }
    static const std::u16string_view conversions = u"diouxXeEfFgGaAcCsSpnZ";
    if (j < n && conversions.find(t[j]) != std::u16string_view::npos)
        return j + 1 - start;
    return 0;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::u16string Escaped(std::string_view bytes, const CodePage &codePage)
{
    return codePage.decode(bytes);
}

namespace {

// Resolves the escapes of a text in place: the logical text is never longer.
} // namespace

std::u16string Resolve(std::u16string_view escaped)
{
    std::u16string out(escaped);
    ResolveEscapes(out);
    return out;
}

std::u16string Logical(std::string_view bytes, const CodePage &codePage)
{
    std::u16string t = codePage.decode(bytes);
    ResolveEscapes(t);
    return t;
}

bool IsBlank(char16_t c)
{
    return c == u' ' || c == 0xA0 || in(c, 0x2000, 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool IsLetter(char16_t c)
{
    if (c < 0x80)
        return in(c, u'a', u'z') || in(c, u'A', u'Z');
    if (c < 0x100)
        return c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    return in(c, 0x100, 0x2AF) || (in(c, 0x370, 0x3FF) && c != 0x37E && c != 0x387) || in(c, 0x400, 0x52F) ||
           in(c, 0x531, 0x587) || in(c, 0x5D0, 0x5EA) || in(c, 0x620, 0x64A) || in(c, 0x671, 0x6D3) ||
           in(c, 0xE01, 0xE30) || in(c, 0xE40, 0xE46) || in(c, 0x1100, 0x11FF) || in(c, 0x1E00, 0x1FFF) ||
           (in(c, 0x3041, 0x30FF) && c != 0x30FB) || in(c, 0x3131, 0x318E) || in(c, 0x3400, 0x4DBF) ||
           in(c, 0x4E00, 0x9FFF) || in(c, 0xAC00, 0xD7A3) || in(c, 0xF900, 0xFAFF) || in(c, 0xFF21, 0xFF3A) ||
           in(c, 0xFF41, 0xFF5A) || in(c, 0xFF66, 0xFF9D);
}

bool HasLetter(std::u16string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return IsLetter(c); });
}

char16_t FoldCase(char16_t c)
{
    auto plus = [](char16_t c, int d) { return static_cast<char16_t>(c + d); };
    if (c < 0x80)
        return in(c, u'A', u'Z') ? plus(c, 32) : c;
    if (c < 0x100)
        return in(c, 0xC0, 0xDE) && c != 0xD7 ? plus(c, 32) : c;
    if (c < 0x180) {
        if (c == 0x178)
            return 0xFF;
        const bool evenUpper = in(c, 0x100, 0x137) || in(c, 0x14A, 0x177);
        const bool oddUpper = in(c, 0x139, 0x148) || in(c, 0x179, 0x17E);
        if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1))
            return plus(c, 1);
        return c;
    }
    if (in(c, 0x386, 0x3A9)) {
        if (c == 0x386)
            return 0x3AC;
        if (in(c, 0x388, 0x38A))
            return plus(c, 37);
        if (c == 0x38C)
            return 0x3CC;
        if (c == 0x38E || c == 0x38F)
            return plus(c, 63);
        if (c >= 0x391 && c != 0x3A2)
            return plus(c, 32);
        return c;
    }
    if (c == 0x3C2)
        return 0x3C3; // final sigma
    if (in(c, 0x410, 0x42F))
        return plus(c, 32);
    if (in(c, 0x400, 0x40F))
        return plus(c, 80);
    if (in(c, 0xFF21, 0xFF3A))
        return plus(c, 32);
    return c;
}

std::u16string FoldCase(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t &c : out)
        c = FoldCase(c);
    return out;
}

AccessKeys FindAccessKeys(std::u16string_view text)
{
    AccessKeys keys;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] != u'&' || i + 1 == n)
            continue;
        const char16_t next = text[i + 1];
        if (next == u'&') {
            ++i;
            continue;
        }
        if (IsBlank(next) || next == u'\t' || next == u'\n' || next == u'\r')
            continue;
        if (keys.count == 0)
            keys.first = next;
        if (keys.count < AccessKeys::kKept)
            keys.letters[keys.count] = next;
        ++keys.count;
        ++i;
    }
    return keys;
}

std::u16string WithoutMarkers(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] == u'&') {
            if (i + 1 < n && text[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

std::size_t CharacterCount(std::u16string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CodePage::characterLength(text, i))
        ++count;
    return count;
}

Shortcut SplitShortcut(std::u16string_view text)
{
    Shortcut s;
    const std::size_t tab = text.rfind(u'\t');
    if (tab == std::u16string_view::npos) {
        s.label = text;
        return s;
    }
    s.present = true;
    s.label = text.substr(0, tab);
    s.keys = text.substr(tab + 1);
    return s;
}

std::u16string_view ShortcutKey(std::u16string_view keys)
{
    keys = trimBlanks(keys);
    if (keys.empty())
        return keys;
    if (keys.back() == u'+')
        return keys.substr(keys.size() - 1);
    const std::size_t plus = keys.rfind(u'+');
    return trimBlanks(plus == std::u16string_view::npos ? keys : keys.substr(plus + 1));
}

bool IsNeutralKey(std::u16string_view key)
{
    if (CharacterCount(key) == 1)
        return true;
    if (key.size() < 2 || key.size() > 3 || (key[0] != u'F' && key[0] != u'f'))
        return false;
    int number = 0;
    for (std::size_t i = 1; i < key.size(); ++i) {
        if (!isDigit(key[i]))
            return false;
        number = number * 10 + (key[i] - u'0');
    }
    return key[1] != u'0' && number >= 1 && number <= 24;
}

namespace {

// Calls `found(start, length)` for each placeholder of the text, in order.
template <typename Found> void scanPlaceholders(std::u16string_view t, bool spaceFlag, Found found)
{
    const std::size_t n = t.size();
    std::size_t i = 0;
    while (i < n) {
        if (t[i] != u'%') {
            ++i;
            continue;
        }
        if (i + 1 < n && t[i + 1] == u'%') {
            i += 2;
            continue;
        }
        // FormatMessage with a printf format of its own: %1!d!
        std::size_t j = i + 1;
        if (j < n && in(t[j], u'1', u'9')) {
            ++j;
            if (j < n && isDigit(t[j]))
                ++j;
            if (j < n && t[j] == u'!') {
                const std::size_t close = t.find(u'!', j + 1);
                if (close != std::u16string_view::npos) {
                    found(i, close + 1 - i);
                    i = close + 1;
                    continue;
                }
            }
        }
        if (const std::size_t length = printfLength(t, i + 1, spaceFlag)) {
            found(i, length + 1);
            i += length + 1;
            continue;
        }
        // FormatMessage: %1 to %99, and %0
        j = i + 1;
        if (j < n && isDigit(t[j])) {
            ++j;
            if (j < n && isDigit(t[j]) && t[i + 1] != u'0')
                ++j;
            found(i, j - i);
            i = j;
            continue;
        }
        ++i;
    }
}

} // namespace

std::vector<std::u16string> Placeholders(std::u16string_view t, bool spaceFlag)
{
    std::vector<std::u16string> found;
    scanPlaceholders(t, spaceFlag, [&](std::size_t at, std::size_t length) { found.emplace_back(t.substr(at, length)); });
    std::sort(found.begin(), found.end());
    return found;
}

std::u16string WithoutPlaceholders(std::u16string_view t)
{
    std::u16string out;
    std::size_t kept = 0;
    scanPlaceholders(t, false, [&](std::size_t at, std::size_t length) {
        out.append(t.substr(kept, at - kept));
        kept = at + length;
    });
    out.append(t.substr(kept));
    return out;
}

bool IsFormatString(std::u16string_view text)
{
    return text.find(u"%%") != std::u16string_view::npos || !Placeholders(text).empty();
}

EscapeCounts CountEscapes(std::u16string_view text)
{
    EscapeCounts counts;
    for (char16_t c : text) {
        if (c == u'\n')
            ++counts.lineFeeds;
        else if (c == u'\r')
            ++counts.returns;
        else if (c == u'\t')
            ++counts.tabs;
    }
    return counts;
}

std::size_t LeadingBlanks(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

std::size_t TrailingBlanks(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[text.size() - 1 - i]))
        ++i;
    return i;
}

EndMark EndMarkOf(std::u16string_view text, bool translation)
{
    text.remove_suffix(TrailingBlanks(text));
    if (text.empty())
        return EndMark::None;
    const char16_t last = text.back();
    if (last == 0x2026 || last == 0x22EF || (text.size() >= 3 && text.substr(text.size() - 3) == u"..."))
        return EndMark::Ellipsis;
    switch (last) {
    case u'.':
    case 0x3002: // ideographic full stop
    case 0xFF0E:
    case 0x0964: // danda
    case 0x06D4: // Arabic full stop
        return EndMark::Period;
    case u':':
    case 0xFF1A:
        return EndMark::Colon;
    case u'?':
    case 0xFF1F:
    case 0x061F: // Arabic
    case 0x037E: // Greek
        return EndMark::Question;
    case u';':
        return translation ? EndMark::Question : EndMark::None;
    case u'!':
    case 0xFF01:
        return EndMark::Exclamation;
    default:
        return EndMark::None;
    }
}

const char *EndMarkText(EndMark mark)
{
    switch (mark) {
    case EndMark::Period:
        return ".";
    case EndMark::Colon:
        return ":";
    case EndMark::Ellipsis:
        return "...";
    case EndMark::Question:
        return "?";
    case EndMark::Exclamation:
        return "!";
    case EndMark::None:
        break;
    }
    return "";
}

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

} // namespace checktext
