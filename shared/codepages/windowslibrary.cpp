// ConversionLibrary through the system's own conversion functions (Windows).
#include "conversionlibrary.h"

#include <windows.h>

namespace {

class WindowsLibrary : public ConversionLibrary
{
public:
    explicit WindowsLibrary(unsigned codePage) : m_codePage(codePage) {}

    Result decode(std::string_view bytes, std::u16string &out) override
    {
        out.clear();
        if (bytes.size() == 1 && IsDBCSLeadByteEx(m_codePage, static_cast<BYTE>(bytes[0])))
            return Result::Incomplete;
        wchar_t buffer[8];
        const int n = MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), buffer, 8);
        if (n <= 0)
            return Result::Invalid;
        out.assign(reinterpret_cast<const char16_t *>(buffer), static_cast<std::size_t>(n));
        return Result::Character;
    }

    std::optional<std::string> encode(std::u16string_view character) override
    {
        char buffer[16];
        BOOL usedDefault = FALSE;
        const int n =
            WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t *>(character.data()),
                                static_cast<int>(character.size()), buffer, sizeof buffer, nullptr, &usedDefault);
        if (n <= 0 || usedDefault)
            return std::nullopt;
        return std::string(buffer, static_cast<std::size_t>(n));
    }

private:
    unsigned m_codePage;
};

} // namespace

std::unique_ptr<ConversionLibrary> ConversionLibrary::open(unsigned codePage)
{
    CPINFO info;
    if (!GetCPInfo(codePage, &info))
        return nullptr;
    return std::make_unique<WindowsLibrary>(codePage);
}
