// ConversionLibrary through iconv (glibc on Linux).
#include "conversionlibrary.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace {

// glibc's names of the Windows code pages. CP874 is IBM874, CP936 GBK, CP949 UHC
// and CP950 BIG5: the same characters as Windows but for the user-defined areas
// and the bytes Windows maps into the private use area, which CodePage keeps as
// bytes of their own.
const char *iconvName(unsigned codePage)
{
    switch (codePage) {
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1252:
        return "CP1252";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    default:
        return nullptr;
    }
}

class IconvLibrary : public ConversionLibrary
{
public:
    IconvLibrary(iconv_t toUnicode, iconv_t fromUnicode) : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode) {}
    ~IconvLibrary() override
    {
        iconv_close(m_toUnicode);
        iconv_close(m_fromUnicode);
    }
    IconvLibrary(const IconvLibrary &) = delete;
    IconvLibrary &operator=(const IconvLibrary &) = delete;

    Result decode(std::string_view bytes, std::u16string &out) override
    {
        out.clear();
        // Each call starts afresh: the Hebrew and Vietnamese converters hold a
        // base letter back to combine it with a following mark.
        iconv(m_toUnicode, nullptr, nullptr, nullptr, nullptr);
        char in[8];
        if (bytes.size() > sizeof in)
            return Result::Invalid;
        bytes.copy(in, bytes.size());
        char16_t buffer[8];
        char *inPtr = in;
        std::size_t inLeft = bytes.size();
        char *outPtr = reinterpret_cast<char *>(buffer);
        std::size_t outLeft = sizeof buffer;
        if (iconv(m_toUnicode, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return errno == EINVAL ? Result::Incomplete : Result::Invalid;
        if (iconv(m_toUnicode, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return Result::Invalid;
        out.assign(buffer, reinterpret_cast<char16_t *>(outPtr));
        return out.empty() ? Result::Incomplete : Result::Character;
    }

    std::optional<std::string> encode(std::u16string_view character) override
    {
        iconv(m_fromUnicode, nullptr, nullptr, nullptr, nullptr);
        char16_t in[4];
        if (character.empty() || character.size() > 2)
            return std::nullopt;
        character.copy(in, character.size());
        char buffer[16];
        char *inPtr = reinterpret_cast<char *>(in);
        std::size_t inLeft = character.size() * sizeof(char16_t);
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(m_fromUnicode, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        if (iconv(m_fromUnicode, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        return std::string(buffer, outPtr);
    }

private:
    iconv_t m_toUnicode;
    iconv_t m_fromUnicode;
};

} // namespace

std::unique_ptr<ConversionLibrary> ConversionLibrary::open(unsigned codePage)
{
    const char *name = iconvName(codePage);
    if (!name)
        return nullptr;
    // UTF-16 in the machine's byte order, without a byte order mark.
    const char *unicode = "UTF-16LE";
    {
        const char16_t probe = 1;
        if (*reinterpret_cast<const unsigned char *>(&probe) != 1)
            unicode = "UTF-16BE";
    }
    iconv_t toUnicode = iconv_open(unicode, name);
    if (toUnicode == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    iconv_t fromUnicode = iconv_open(name, unicode);
    if (fromUnicode == reinterpret_cast<iconv_t>(-1)) {
        iconv_close(toUnicode);
        return nullptr;
    }
    return std::make_unique<IconvLibrary>(toUnicode, fromUnicode);
}
