#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The platform's own conversion between one Windows code page and UTF-16: glibc's
// iconv on Linux, the system's conversion functions on Windows. Only the tables
// of CodePage are built through it, once per code page and process, so it is
// asked about single characters and never sees a whole text.
class ConversionLibrary
{
public:
    enum class Result
    {
        Character,  // the bytes are exactly one character (out holds its UTF-16 units)
        Incomplete, // the bytes begin a longer character (a lead byte alone)
        Invalid     // the code page gives these bytes no character
    };

    virtual ~ConversionLibrary() = default;

    // The character of one or two bytes, decoded on their own.
    virtual Result decode(std::string_view bytes, std::u16string &out) = 0;
    // The bytes of one character (one or two UTF-16 units), or nothing when the
    // code page cannot hold it without replacing it by something else.
    virtual std::optional<std::string> encode(std::u16string_view character) = 0;

    // The library's converter for a Windows code page number, or null when the
    // platform has none.
    static std::unique_ptr<ConversionLibrary> open(unsigned codePage);
};
