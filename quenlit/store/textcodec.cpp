#include "textcodec.h"

#include "charset.h"

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
