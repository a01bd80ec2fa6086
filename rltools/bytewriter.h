#pragma once

#include "resources.h"

#include <cstdint>
#include <string>
#include <vector>

// Little-endian writing into a growing byte buffer.
class ByteWriter
{
public:
    std::vector<std::uint8_t> bytes;

    std::size_t pos() const { return bytes.size(); }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void put16(std::size_t at, std::uint16_t v)
    {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void put32(std::size_t at, std::uint32_t v)
    {
        put16(at, static_cast<std::uint16_t>(v));
        put16(at + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void chars(const std::u16string &s)
    {
        for (char16_t c : s)
            u16(c);
    }
    void sz(const std::u16string &s)
    {
        chars(s);
        u16(0);
    }
    void szOrOrd(const ResId &id)
    {
        if (id.isNumber) {
            u16(0xFFFF);
            u16(id.number);
        } else {
            sz(id.text);
        }
    }
    void raw(const std::uint8_t *p, std::size_t n) { bytes.insert(bytes.end(), p, p + n); }
    void alignTo(std::size_t a)
    {
        while (bytes.size() % a)
            bytes.push_back(0);
    }
};
