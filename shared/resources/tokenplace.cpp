#include "tokenplace.h"

#include "tokenescape.h"
#include "tokentype.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace {

// A number written as rlman writes one: decimal digits without a leading zero
// (but "0" itself), an optional "-" where negatives are allowed.
std::optional<long long> plainNumber(std::string_view s, bool allowNegative = false)
{
    std::string_view digits = s;
    if (allowNegative && !digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 11 || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (s.front() == '-' && digits == "0")
        return std::nullopt;
    long long value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value);
    return value;
}

std::u16string ascii(std::string_view s)
{
    return std::u16string(s.begin(), s.end());
}

std::u16string display(std::string_view field, const CodePage &codePage)
{
    return UnescapeText(std::string(field), codePage);
}

} // namespace

bool IsRlmanKey(const TokenKeyFields &f)
{
    if (f.name.empty())
        return false;
    const auto position = plainNumber(f.position);
    if (!position)
        return false;
    if (f.type == TypeCell(TokenType::Menu)) {
        const auto id = plainNumber(f.item);
        return id && *id <= 0xFFFFFFFFll && f.extra.empty();
    }
    if (f.type == TypeCell(TokenType::Dialog)) {
        const auto id = plainNumber(f.item, true);
        if (!id || *id < INT32_MIN || *id > INT32_MAX || !f.extra.empty())
            return false;
        return *position != 0 || *id == 0;
    }
    if (f.type == TypeCell(TokenType::String)) {
        const auto block = plainNumber(f.name);
        const auto id = plainNumber(f.item);
        return block && id && *block >= 1 && *block <= 4096 && *position <= 15 &&
               *id == (*block - 1) * 16 + *position && f.extra.empty();
    }
    if (f.type == TypeCell(TokenType::Version))
        return !f.item.empty() && !f.extra.empty();
    return false;
}

std::u16string MenuLabel(const std::u16string &text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\t')
            break;
        if (c == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += c;
    }
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\u00A0'))
        out.pop_back();
    return out;
}

std::string Ordinal(unsigned long long n)
{
    const unsigned long long lastTwo = n % 100;
    const char *suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
        case 1:
            suffix = "st";
            break;
        case 2:
            suffix = "nd";
            break;
        case 3:
            suffix = "rd";
            break;
        default:
            break;
        }
    }
    return std::to_string(n) + suffix;
}

std::u16string DescribeTokenPlace(const TokenKeyFields &f, const std::vector<std::u16string> &menuPath,
                                  const CodePage &codePage)
{
    if (!IsRlmanKey(f)) {
        auto field = [&](std::string_view v) { return v.empty() ? std::u16string(u"(none)") : display(v, codePage); };
        return u"Fields: " + field(f.type) + u" | " + field(f.name) + u" | " + field(f.item) + u" | " +
               field(f.position) + u" | " + field(f.extra);
    }
    const std::u16string name = display(f.name, codePage);
    if (f.type == TypeCell(TokenType::Dialog)) {
        if (f.position == "0")
            return u"Dialog " + name + u", caption";
        return u"Dialog " + name + u", control " + ascii(f.item) + u" (" +
               ascii(Ordinal(static_cast<unsigned long long>(*plainNumber(f.position)))) + u")";
    }
    if (f.type == TypeCell(TokenType::Menu)) {
        if (!menuPath.empty()) {
            std::u16string path;
            for (const std::u16string &step : menuPath)
                path += (path.empty() ? u"" : u" \u25B8 ") + MenuLabel(step);
            return u"Menu " + name + u": " + path;
        }
        if (f.item == "0")
            return u"Menu " + name + u", popup at position " + ascii(f.position);
        return u"Menu " + name + u", item " + ascii(f.item) + u" at position " + ascii(f.position);
    }
    if (f.type == TypeCell(TokenType::String))
        return u"String table, string " + ascii(f.item);
    return u"Version: " + display(f.extra, codePage);
}
