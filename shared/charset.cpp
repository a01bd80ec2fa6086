#include "charset.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char16_t kWindows1252High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9,
    0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5,
    0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1,
    0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD,
    0x00FE, 0x00FF};

// Simple upper-case mapping of the Unicode characters a code page of this kind holds.
char16_t unicodeUpper(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 0x20);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<char16_t>(c - 0x20);
    switch (c) {
    case 0xFF:
        return 0x178;
    case 0x161:
        return 0x160;
    case 0x153:
        return 0x152;
    case 0x17E:
        return 0x17D;
    default:
        return c;
    }
}

} // namespace

Charset::Charset(const char16_t (&high)[128])
{
    for (int b = 0; b < 128; ++b)
        m_toUnicode[b] = static_cast<char16_t>(b);
    for (int b = 0; b < 128; ++b)
        m_toUnicode[128 + b] = high[b];
    for (int b = 0; b < 256; ++b) {
        m_toUpper[b] = static_cast<unsigned char>(b);
        const char16_t upper = unicodeUpper(m_toUnicode[b]);
        if (upper != m_toUnicode[b]) {
            if (auto byte = encodeChar(upper))
                m_toUpper[b] = *byte;
        }
    }
}

const Charset &Charset::windows1252()
{
    static const Charset charset(kWindows1252High);
    return charset;
}

std::u16string Charset::decode(std::string_view bytes) const
{
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = m_toUnicode[static_cast<unsigned char>(bytes[i])];
    return text;
}

std::optional<unsigned char> Charset::encodeChar(char16_t c) const
{
    if (c < 0x80)
        return static_cast<unsigned char>(c);
    for (int b = 0x80; b < 256; ++b) {
        if (m_toUnicode[b] == c)
            return static_cast<unsigned char>(b);
    }
    return std::nullopt;
}

bool Charset::canEncode(std::u16string_view text) const
{
    return std::all_of(text.begin(), text.end(), [this](char16_t c) { return encodeChar(c).has_value(); });
}

std::optional<std::string> Charset::encode(std::u16string_view text) const
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t c : text) {
        auto byte = encodeChar(c);
        if (!byte)
            return std::nullopt;
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

std::string Charset::toUpper(std::string_view bytes) const
{
    std::string upper(bytes);
    for (char &c : upper)
        c = static_cast<char>(m_toUpper[static_cast<unsigned char>(c)]);
    return upper;
}
