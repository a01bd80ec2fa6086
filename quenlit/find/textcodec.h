#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Charset;
class CodePage;

// How the bytes of a token file's texts read as characters. Find, replace and
// the search index see texts through this, so that they follow the code page of
// the file they read.
class TextCodec
{
public:
    virtual ~TextCodec() = default;

    // Appends the UTF-16 form of bytes to out. When offsets is given, it receives,
    // for every UTF-16 unit appended, the offset in bytes of the character it
    // belongs to, and one last entry holding bytes.size().
    virtual void decode(std::string_view bytes, std::u16string &out,
                        std::vector<std::uint32_t> *offsets = nullptr) const = 0;
    // The bytes of text, or nothing when one of its characters has no byte form.
    virtual std::optional<std::string> encode(std::u16string_view text) const = 0;
};

// A single-byte character set of the core seen as a codec.
class CharsetCodec final : public TextCodec
{
public:
    explicit CharsetCodec(const Charset &charset) : m_charset(charset) {}
    void decode(std::string_view bytes, std::u16string &out,
                std::vector<std::uint32_t> *offsets = nullptr) const override;
    std::optional<std::string> encode(std::u16string_view text) const override;

    // Windows-1252, the character set of the token files today.
    static const CharsetCodec &windows1252();

private:
    const Charset &m_charset;
};

// A Windows code page (single- or double-byte) seen as a codec.
class CodePageCodec final : public TextCodec
{
public:
    explicit CodePageCodec(const CodePage &codePage) : m_codePage(codePage) {}
    void decode(std::string_view bytes, std::u16string &out,
                std::vector<std::uint32_t> *offsets = nullptr) const override;
    std::optional<std::string> encode(std::u16string_view text) const override;

    // One codec per code page number, made on first use.
    static const CodePageCodec &get(unsigned number);

private:
    const CodePage &m_codePage;
};
