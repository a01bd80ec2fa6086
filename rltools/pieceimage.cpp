#include "pieceimage.h"

#include <algorithm>
#include <stdexcept>

namespace {
constexpr std::uint64_t kBlock = 4096; // what a byte set in a source range copies around it
}

void PieceImage::keep(std::uint64_t from, std::uint64_t to)
{
    if (to <= from)
        return;
    if (to > m_source->size())
        throw std::out_of_range("past the end of the source");
    appendView(m_source->data() + from, to - from);
}

void PieceImage::appendView(const std::uint8_t *bytes, std::uint64_t count)
{
    if (count == 0)
        return;
    Piece p;
    p.at = m_size;
    p.length = count;
    p.base = bytes;
    m_pieces.push_back(std::move(p));
    m_size += count;
}

void PieceImage::append(std::vector<std::uint8_t> bytes)
{
    if (bytes.empty())
        return;
    Piece p;
    p.at = m_size;
    p.length = bytes.size();
    p.owned = true;
    p.bytes = std::move(bytes);
    m_size += p.length;
    m_pieces.push_back(std::move(p));
}

void PieceImage::appendZeros(std::uint64_t count)
{
    append(std::vector<std::uint8_t>(count, 0));
}

void PieceImage::resize(std::uint64_t count)
{
    if (count >= m_size) {
        appendZeros(count - m_size);
        return;
    }
    while (!m_pieces.empty() && m_pieces.back().at >= count)
        m_pieces.pop_back();
    if (!m_pieces.empty()) {
        Piece &last = m_pieces.back();
        last.length = count - last.at;
        if (last.owned)
            last.bytes.resize(last.length);
    }
    m_size = count;
}

std::size_t PieceImage::pieceAt(std::uint64_t at) const
{
    if (at >= m_size)
        throw std::out_of_range("past the end of the image");
    const auto found = std::upper_bound(m_pieces.begin(), m_pieces.end(), at,
                                        [](std::uint64_t v, const Piece &p) { return v < p.at; });
    return static_cast<std::size_t>(found - m_pieces.begin()) - 1;
}

std::uint8_t PieceImage::get(std::uint64_t at) const
{
    const Piece &p = m_pieces[pieceAt(at)];
    return data(p)[at - p.at];
}

void PieceImage::set(std::uint64_t at, std::uint8_t value)
{
    std::size_t i = pieceAt(at);
    if (!m_pieces[i].owned) {
        // The block around the byte becomes a copy of its own, between what is
        // before and after it in the same source range.
        const Piece p = m_pieces[i];
        const std::uint64_t start = std::max(p.at, at - (at - p.at) % kBlock);
        const std::uint64_t end = std::min(p.at + p.length, start + kBlock);
        std::vector<Piece> split;
        if (start > p.at)
            split.push_back({p.at, start - p.at, p.base, false, {}});
        Piece copy{start, end - start, nullptr, true, {}};
        const std::uint8_t *bytes = p.base + (start - p.at);
        copy.bytes.assign(bytes, bytes + (end - start));
        split.push_back(std::move(copy));
        if (end < p.at + p.length)
            split.push_back({end, p.at + p.length - end, p.base + (end - p.at), false, {}});
        const std::size_t owned = start > p.at ? i + 1 : i;
        m_pieces.erase(m_pieces.begin() + static_cast<std::ptrdiff_t>(i));
        m_pieces.insert(m_pieces.begin() + static_cast<std::ptrdiff_t>(i), std::make_move_iterator(split.begin()),
                        std::make_move_iterator(split.end()));
        i = owned;
    }
    Piece &p = m_pieces[i];
    p.bytes[at - p.at] = value;
}

std::vector<std::string_view> PieceImage::pieces() const
{
    std::vector<std::string_view> out;
    out.reserve(m_pieces.size());
    for (const Piece &p : m_pieces)
        out.emplace_back(reinterpret_cast<const char *>(data(p)), static_cast<std::size_t>(p.length));
    return out;
}

std::vector<std::uint8_t> PieceImage::flatten() const
{
    std::vector<std::uint8_t> out;
    out.reserve(m_size);
    for (const Piece &p : m_pieces)
        out.insert(out.end(), data(p), data(p) + p.length);
    return out;
}
