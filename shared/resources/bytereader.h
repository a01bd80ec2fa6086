#pragma once

#include "resources.h"

#include <cstdint>
#include <string>
#include <vector>

// Bounds-checked little-endian reading: every read past the end throws.
class ByteReader
{
public:
    ByteReader(const std::uint8_t *data, std::size_t size, std::string what)
        : m_data(data), m_size(size), m_what(std::move(what))
    {
    }

    std::size_t pos() const { return m_pos; }
    std::size_t size() const { return m_size; }
    bool atEnd() const { return m_pos >= m_size; }
    void seek(std::size_t pos)
    {
        if (pos > m_size)
            fail("offset outside the data");
        m_pos = pos;
    }
    void skip(std::size_t n) { seek(checkedAdd(m_pos, n)); }
    void alignTo(std::size_t a)
    {
        const std::size_t aligned = (m_pos + a - 1) / a * a;
        m_pos = aligned > m_size ? m_size : aligned;
    }

    std::uint8_t u8()
    {
        need(1);
        return m_data[m_pos++];
    }
    std::uint16_t u16()
    {
        need(2);
        const std::uint16_t v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t u32()
    {
        need(4);
        const std::uint32_t v = std::uint32_t(m_data[m_pos]) | (std::uint32_t(m_data[m_pos + 1]) << 8) |
                                (std::uint32_t(m_data[m_pos + 2]) << 16) | (std::uint32_t(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return v;
    }
    // A NUL-terminated UTF-16 string.
    std::u16string sz()
    {
        std::u16string s;
        for (;;) {
            const char16_t c = u16();
            if (c == 0)
                return s;
            s += c;
        }
    }
    // A number (0xFFFF then the number) or a NUL-terminated string.
    ResId szOrOrd()
    {
        need(2);
        if (m_data[m_pos] == 0xFF && m_data[m_pos + 1] == 0xFF) {
            m_pos += 2;
            return ResId::of(u16());
        }
        ResId id;
        id.isNumber = false;
        id.text = sz();
        return id;
    }
    std::u16string chars(std::size_t count)
    {
        std::u16string s;
        need(count * 2);
        for (std::size_t i = 0; i < count; ++i)
            s += static_cast<char16_t>(u16());
        return s;
    }
    [[noreturn]] void fail(const std::string &why) const
    {
        throw ResourceError(m_what + ": " + why + " at offset " + std::to_string(m_pos));
    }

private:
    void need(std::size_t n) const
    {
        if (n > m_size || m_pos > m_size - n)
            fail("truncated data");
    }
    std::size_t checkedAdd(std::size_t a, std::size_t b) const
    {
        if (b > m_size || a > m_size - b)
            fail("offset outside the data");
        return a + b;
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::string m_what;
};
