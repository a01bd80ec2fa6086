#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The master row of each project row (0 for none), kept small. A project's token
// file is cut from the master's in the master's order, so over long runs each
// project row's master row lies at the same distance from it. Rows are taken in
// blocks of 64: a block keeps one distance and a bit for each row that follows
// it; only the rows that do not are kept one by one.
class MasterRows
{
public:
    // `rows` project rows (1 to rows), none with a master yet.
    void reset(std::size_t rows);
    void clear() { reset(0); }
    // Sets or changes the master row of a project row; 0 for none.
    void set(std::size_t row, std::size_t masterRow);
    std::size_t get(std::size_t row) const;
    std::size_t rowCount() const { return m_rows; }

    std::size_t bytesHeld() const;

private:
    static constexpr unsigned kBlockBits = 6;
    struct Block
    {
        std::uint64_t follows = 0; // bit i: row (block * 64 + i) has master row + distance
        std::int64_t distance = 0;
        bool hasDistance = false;
    };
    std::vector<Block> m_blocks;
    // The rows with a master that does not follow their block, by row.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_others;
    std::vector<std::pair<std::size_t, std::size_t>> m_wideOthers; // rows or master rows beyond 32 bits
    std::size_t m_rows = 0;

    void forget(std::size_t row);
};
