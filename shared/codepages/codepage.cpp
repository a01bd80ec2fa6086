#include "codepage.h"

#include "charset.h"
#include "conversionlibrary.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr unsigned kNumbers[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

const std::vector<unsigned> &CodePage::numbers()
{
    static const std::vector<unsigned> numbers(std::begin(kNumbers), std::end(kNumbers));
    return numbers;
}

bool CodePage::isKnown(unsigned number)
{
    return std::binary_search(std::begin(kNumbers), std::end(kNumbers), number);
}

const CodePage &CodePage::get(unsigned number)
{
    if (!isKnown(number))
        number = 1252;
    static std::mutex mutex;
    static std::map<unsigned, std::unique_ptr<CodePage>> pages;
    const std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<CodePage> &page = pages[number];
    if (!page) {
        page.reset(new CodePage(number));
        page->build();
    }
    return *page;
}

CodePage::CodePage(unsigned number) : m_number(number) {}

void CodePage::addEncoding(char16_t c, std::uint16_t bytes, std::vector<char16_t> &duplicates)
{
    std::uint16_t &slot = m_fromUnicode[c];
    if (slot == 0)
        slot = bytes;
    else if (slot != bytes)
        duplicates.push_back(c);
}

void CodePage::build()
{
    m_fromUnicode.assign(0x10000, 0);
    for (int b = 0; b < 0x80; ++b) {
        m_kind[b] = Kind::Single;
        m_single[b] = static_cast<char16_t>(b);
    }

    std::unique_ptr<ConversionLibrary> library;
    if (m_number == 1252) {
        // The lossless Windows-1252 codec of the token files stays the reference.
        const Charset &reference = Charset::windows1252();
        for (int b = 0x80; b < 0x100; ++b) {
            m_kind[b] = Kind::Single;
            m_single[b] = reference.decodeByte(static_cast<unsigned char>(b));
        }
        m_complete = true;
    } else {
        library = ConversionLibrary::open(m_number);
        m_complete = library != nullptr;
        std::u16string out;
        for (int b = 0x80; b < 0x100; ++b) {
            const std::string one(1, static_cast<char>(b));
            const auto result = library ? library->decode(one, out) : ConversionLibrary::Result::Invalid;
            if (result == ConversionLibrary::Result::Character && out.size() == 1) {
                m_kind[b] = Kind::Single;
                m_single[b] = out[0];
            } else if (result == ConversionLibrary::Result::Incomplete) {
                m_kind[b] = Kind::Lead;
                m_doubleByte = true;
            } else if (library && b < 0xA0) {
                // Windows gives a byte 0x80 to 0x9F that its code page leaves
                // undefined the C1 control of the same value.
                m_kind[b] = Kind::Single;
                m_single[b] = static_cast<char16_t>(b);
            } else {
                m_kind[b] = Kind::Undefined;
            }
        }
        if (m_doubleByte) {
            m_pairs.assign(0x10000, 0);
            for (int lead = 0x80; lead < 0x100; ++lead) {
                if (m_kind[lead] != Kind::Lead)
                    continue;
                for (int trail = 1; trail < 0x100; ++trail) {
                    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                    if (library->decode(std::string_view(pair, 2), out) == ConversionLibrary::Result::Character &&
                        out.size() == 1 && out[0] != 0) {
                        m_pairs[static_cast<std::size_t>(lead << 8 | trail)] = out[0];
                        m_trail[trail] = true;
                    }
                }
            }
        }
    }

    std::vector<char16_t> duplicates;
    for (int b = 0x80; b < 0x100; ++b) {
        if (m_kind[b] == Kind::Single)
            addEncoding(m_single[b], static_cast<std::uint16_t>(b), duplicates);
    }
    if (m_doubleByte) {
        for (std::size_t pair = 0x8000; pair < 0x10000; ++pair) {
            if (m_pairs[pair] != 0)
                addEncoding(m_pairs[pair], static_cast<std::uint16_t>(pair), duplicates);
        }
    }
    // A character that two byte sequences give is written as the library writes it.
    for (char16_t c : duplicates) {
        const auto bytes = library ? library->encode(std::u16string_view(&c, 1)) : std::nullopt;
        if (!bytes || bytes->empty() || bytes->size() > 2)
            continue;
        const auto first = static_cast<unsigned char>((*bytes)[0]);
        const std::uint16_t value =
            bytes->size() == 1 ? first
                               : static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>((*bytes)[1]));
        const char16_t back = value < 0x100 ? (m_kind[value] == Kind::Single ? m_single[value] : 0) : m_pairs[value];
        if (back == c)
            m_fromUnicode[c] = value;
    }

    for (int b = 0x80; b < 0x100; ++b)
        m_standInByte[b] = m_kind[b] != Kind::Single || (m_doubleByte && m_trail[b]);
    for (int b = 0; b < 0x80; ++b)
        m_standInByte[b] = m_doubleByte && m_trail[b];

    // Single-byte code pages whose library writes a precomposed letter the table
    // lacks as the letter and its combining marks.
    if (library && !m_doubleByte && (m_number == 1255 || m_number == 1258)) {
        for (char32_t c = 0xA0; c < 0x10000; ++c) {
            if ((c >= 0xD800 && c <= 0xF8FF) || m_fromUnicode[c] != 0)
                continue;
            const char16_t unit = static_cast<char16_t>(c);
            const auto bytes = library->encode(std::u16string_view(&unit, 1));
            if (!bytes || bytes->size() < 2)
                continue;
            const bool allDefined = std::all_of(bytes->begin(), bytes->end(), [this](char byte) {
                return m_kind[static_cast<unsigned char>(byte)] == Kind::Single;
            });
            if (allDefined)
                m_decomposed.emplace(unit, *bytes);
        }
    }
}

std::u16string CodePage::decode(std::string_view bytes) const
{
    std::u16string text;
    text.reserve(bytes.size());
    auto put = [&](char16_t c, std::size_t) { text += c; };
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        switch (m_kind[b]) {
        case Kind::Single:
            put(m_single[b], i);
            break;
        case Kind::Undefined:
            put(standIn(b), i);
            break;
        case Kind::Lead:
            if (i + 1 < n) {
                const auto t = static_cast<unsigned char>(bytes[i + 1]);
                const char16_t c = m_pairs[static_cast<std::size_t>(b << 8 | t)];
                if (c != 0) {
                    put(c, i);
                    ++i;
                    break;
                }
                if (m_trail[t]) {
                    // An undefined pair: both bytes stand for themselves, so that
                    // the next character starts where Windows starts it.
                    put(standIn(b), i);
                    put(standIn(t), i + 1);
                    ++i;
                    break;
                }
            }
            put(standIn(b), i);
            break;
        }
    }
    return text;
}

std::size_t CodePage::characterLength(std::u16string_view text, std::size_t i)
{
    if (i + 1 < text.size() && isHighSurrogate(text[i]) && isLowSurrogate(text[i + 1]))
        return 2;
    return 1;
}

std::optional<std::string> CodePage::encodeCharacter(std::u16string_view text, std::size_t i) const
{
    const char16_t c = text[i];
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    if (characterLength(text, i) == 2)
        return std::nullopt; // nothing beyond the first plane is in these code pages
    if (isStandIn(c)) {
        const auto byte = static_cast<unsigned char>(c - 0xDC00);
        if (m_standInByte[byte])
            return std::string(1, static_cast<char>(byte));
        return std::nullopt;
    }
    const std::uint16_t value = m_fromUnicode[c];
    if (value != 0) {
        if (value < 0x100)
            return std::string(1, static_cast<char>(value));
        return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
    }
    const auto decomposed = m_decomposed.find(c);
    if (decomposed != m_decomposed.end())
        return decomposed->second;
    return std::nullopt;
}

std::optional<std::string> CodePage::encode(std::u16string_view text) const
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < 0x80) {
            bytes += static_cast<char>(text[i]);
            ++i;
            continue;
        }
        const auto one = encodeCharacter(text, i);
        if (!one)
            return std::nullopt;
        bytes += *one;
        i += characterLength(text, i);
    }
    return bytes;
}

std::u16string CodePage::unencodable(std::u16string_view text) const
{
    std::u16string missing;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = characterLength(text, i);
        if (!encodeCharacter(text, i)) {
            const std::u16string_view character = text.substr(i, length);
            if (std::u16string_view(missing).find(character) == std::u16string_view::npos)
                missing += character;
        }
        i += length;
    }
    return missing;
}

std::string CodePage::toUpper(std::string_view bytes) const
{
    std::string upper;
    upper.reserve(bytes.size());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = 0;
        std::size_t length = 1;
        if (m_kind[b] == Kind::Single) {
            c = m_single[b];
        } else if (m_kind[b] == Kind::Lead && i + 1 < n) {
            const auto t = static_cast<unsigned char>(bytes[i + 1]);
            c = m_pairs[static_cast<std::size_t>(b << 8 | t)];
            if (c != 0 || m_trail[t])
                length = 2;
        }
        std::optional<std::string> capital;
        if (c != 0) {
            const UChar32 u = u_toupper(static_cast<UChar32>(c));
            if (u != static_cast<UChar32>(c) && u > 0 && u < 0x10000 && !isStandIn(static_cast<char16_t>(u))) {
                const char16_t unit = static_cast<char16_t>(u);
                capital = encodeCharacter(std::u16string_view(&unit, 1), 0);
            }
        }
        if (capital)
            upper += *capital;
        else
            upper.append(bytes.substr(i, length));
        i += length;
    }
    return upper;
}

std::string CodePage::fileNameOf(std::string_view path) const
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (m_kind[b] == Kind::Lead && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (b == ':' || b == '/' || b == '\\')
            start = i + 1;
    }
    return std::string(path.substr(start));
}
