#pragma once

#include <optional>
#include <string>
#include <string_view>

// An 8-bit character set of the token files. Decoding maps every byte value to
// one UTF-16 unit and encoding maps it back, so a decode/encode round trip is
// byte for byte, including bytes the code page leaves undefined.
class Charset
{
public:
    // Windows-1252; its five undefined bytes map to the C1 controls of the same value.
    static const Charset &windows1252();

    std::u16string decode(std::string_view bytes) const;
    char16_t decodeByte(unsigned char byte) const { return m_toUnicode[byte]; }

    bool canEncode(std::u16string_view text) const;
    // The bytes of text, or nothing when one of its characters has no byte here.
    std::optional<std::string> encode(std::u16string_view text) const;
    // The byte of one character, or nothing.
    std::optional<unsigned char> encodeChar(char16_t c) const;

    // Upper case as this character set defines it (accented letters included);
    // bytes without an upper-case form stay as they are.
    std::string toUpper(std::string_view bytes) const;

private:
    explicit Charset(const char16_t (&high)[128]);

    char16_t m_toUnicode[256] = {};
    unsigned char m_toUpper[256] = {};
};
