#include "find/textcodec.h"

#include "charset.h"
#include "codepage.h"

#include <map>
#include <memory>
#include <mutex>

void CharsetCodec::decode(std::string_view bytes, std::u16string &out, std::vector<std::uint32_t> *offsets) const
{
    const std::size_t first = out.size();
    out.resize(first + bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[first + i] = m_charset.decodeByte(static_cast<unsigned char>(bytes[i]));
    if (offsets) {
        offsets->reserve(offsets->size() + bytes.size() + 1);
        for (std::size_t i = 0; i <= bytes.size(); ++i)
            offsets->push_back(static_cast<std::uint32_t>(i));
    }
}

std::optional<std::string> CharsetCodec::encode(std::u16string_view text) const
{
    return m_charset.encode(text);
}

const CharsetCodec &CharsetCodec::windows1252()
{
    static const CharsetCodec codec(Charset::windows1252());
    return codec;
}

void CodePageCodec::decode(std::string_view bytes, std::u16string &out, std::vector<std::uint32_t> *offsets) const
{
    const std::u16string text = m_codePage.decode(bytes);
    out += text;
    if (!offsets)
        return;
    // A unit stands for two bytes only where a lead byte and its trail made a
    // character; everything else, stand-ins included, is one byte.
    offsets->reserve(offsets->size() + text.size() + 1);
    std::size_t at = 0;
    for (const char16_t unit : text) {
        offsets->push_back(static_cast<std::uint32_t>(at));
        const auto byte = static_cast<unsigned char>(bytes[at]);
        const bool pair = m_codePage.isLeadByte(byte) && at + 1 < bytes.size() && unit != CodePage::standIn(byte);
        at += pair ? 2 : 1;
    }
    offsets->push_back(static_cast<std::uint32_t>(bytes.size()));
}

std::optional<std::string> CodePageCodec::encode(std::u16string_view text) const
{
    return m_codePage.encode(text);
}

const CodePageCodec &CodePageCodec::get(unsigned number)
{
    static std::mutex mutex;
    static std::map<unsigned, std::unique_ptr<CodePageCodec>> codecs;
    const std::lock_guard<std::mutex> lock(mutex);
    const CodePage &page = CodePage::get(number);
    auto &codec = codecs[page.number()];
    if (!codec)
        codec = std::make_unique<CodePageCodec>(page);
    return *codec;
}
