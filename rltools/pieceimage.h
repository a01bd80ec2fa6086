#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// A file put together from ranges of a source file held in memory, bytes held
// elsewhere and bytes of its own. What is not its own is not copied: a byte set
// in it makes only the block around it a copy of its own. What is written goes
// out piece by piece.
class PieceImage
{
public:
    explicit PieceImage(const std::vector<std::uint8_t> &source) : m_source(&source) {}

    std::uint64_t size() const { return m_size; }
    // Source bytes [from, to).
    void keep(std::uint64_t from, std::uint64_t to);
    void append(std::vector<std::uint8_t> bytes);
    // Bytes held elsewhere, which must outlive the image; not copied.
    void appendView(const std::uint8_t *bytes, std::uint64_t count);
    void appendZeros(std::uint64_t count);
    // Grows with zeros, or keeps the first `count` bytes.
    void resize(std::uint64_t count);

    std::uint8_t get(std::uint64_t at) const;
    void set(std::uint64_t at, std::uint8_t value);

    // The pieces in order.
    std::vector<std::string_view> pieces() const;
    std::vector<std::uint8_t> flatten() const;

private:
    struct Piece
    {
        std::uint64_t at = 0;     // in the image
        std::uint64_t length = 0;
        const std::uint8_t *base = nullptr; // the bytes, when not owned
        bool owned = false;
        std::vector<std::uint8_t> bytes; // when owned
    };
    std::size_t pieceAt(std::uint64_t at) const;
    const std::uint8_t *data(const Piece &p) const
    {
        return p.owned ? p.bytes.data() : p.base;
    }

    const std::vector<std::uint8_t> *m_source;
    std::vector<Piece> m_pieces;
    std::uint64_t m_size = 0;
};
