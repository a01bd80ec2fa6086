#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A Windows ANSI code page, the character set of the token files of one language:
// the single-byte 874 and 1250 to 1258, and the double-byte 932, 936, 949 and 950.
//
// Decoding never fails and never loses a byte: a byte or byte pair that the code
// page leaves undefined decodes to a stand-in, U+DC00 plus the byte value (an
// unpaired low surrogate, which no code page produces), and encoding gives the
// same byte back. Every defined byte or byte pair decodes to its character and
// encodes back to itself; where two byte pairs give the same character (the NEC
// and IBM duplicates of 932, the box drawing pairs of 950), encoding gives the
// one the platform's library writes, which for 932 is the one Windows writes.
//
// The tables are built once per code page and process from the platform's
// conversion library; a code page is then used from any thread.
class CodePage
{
public:
    // The code page of this number; every number that is not one of the
    // fourteen above gives 1252.
    static const CodePage &get(unsigned number);
    static const CodePage &windows1252() { return get(1252); }
    // The fourteen numbers, in increasing order.
    static const std::vector<unsigned> &numbers();
    static bool isKnown(unsigned number);

    unsigned number() const { return m_number; }
    bool isDoubleByte() const { return m_doubleByte; }
    // A byte that begins a two-byte character (only in 932, 936, 949 and 950).
    bool isLeadByte(unsigned char byte) const { return m_kind[byte] == Kind::Lead; }
    // False when the platform had no converter for this code page: then every
    // byte above 0x7F stands for itself and decodes to its stand-in.
    bool isComplete() const { return m_complete; }

    std::u16string decode(std::string_view bytes) const;
    // The bytes of a text, or nothing when one of its characters has none here.
    std::optional<std::string> encode(std::u16string_view text) const;
    bool canEncode(std::u16string_view text) const { return encode(text).has_value(); }
    // The characters of a text that this code page cannot hold, each once, in
    // the order of their first appearance (a character beyond the first plane
    // as its two UTF-16 units).
    std::u16string unencodable(std::u16string_view text) const;

    // Upper case as the code page defines it: each letter whose capital (the
    // simple Unicode mapping) is a character of the code page becomes that
    // capital; every other character keeps its bytes. Works on characters, so a
    // trail byte is never taken for a letter.
    std::string toUpper(std::string_view bytes) const;

    // The part of a path behind its last ':', '/' or '\\' (the whole path when it
    // has none), cut on characters: the trail byte of a double-byte character
    // (ソ is 0x83 0x5C in 932) is no separator.
    std::string fileNameOf(std::string_view path) const;

    // The length of the UTF-16 character at text[i] (1, or 2 for a surrogate pair).
    static std::size_t characterLength(std::u16string_view text, std::size_t i);
    // The bytes of the character at text[i] (of characterLength units), or
    // nothing. Stand-ins of undefined bytes encode to their byte.
    std::optional<std::string> encodeCharacter(std::u16string_view text, std::size_t i) const;

    // The stand-in of an undefined byte, and back.
    static char16_t standIn(unsigned char byte) { return static_cast<char16_t>(0xDC00 + byte); }
    static bool isStandIn(char16_t c) { return c >= 0xDC00 && c <= 0xDCFF; }

private:
    enum class Kind : std::uint8_t
    {
        Single,    // a character of its own
        Lead,      // the first byte of a two-byte character
        Undefined, // no character
    };

    explicit CodePage(unsigned number);
    void build();
    void addEncoding(char16_t c, std::uint16_t bytes, std::vector<char16_t> &duplicates);

    unsigned m_number;
    bool m_doubleByte = false;
    bool m_complete = false;
    std::array<Kind, 256> m_kind{};
    std::array<char16_t, 256> m_single{};     // the character of a Single byte
    std::array<bool, 256> m_trail{};          // a byte that ends some two-byte character
    std::array<bool, 256> m_standInByte{};    // a byte that may decode to its stand-in
    std::vector<char16_t> m_pairs;            // (lead << 8 | trail) to character, 0 when undefined
    std::vector<std::uint16_t> m_fromUnicode; // character to byte (< 0x100) or pair; 0 when none
    // Single-byte code pages that write a letter and its marks as separate bytes
    // (1255, 1258): a precomposed character the table lacks, as those bytes.
    std::unordered_map<char16_t, std::string> m_decomposed;
};
