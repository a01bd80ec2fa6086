#include "checks/masterrows.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

namespace {

struct Shape
{
    const char *name;
    std::size_t rows;
    // The master row of each project row, 0 for none.
    std::function<std::size_t(std::size_t row, std::mt19937 &random)> master;
};

// Whatever the shape of the project against its master, every row reads back
// the master row it was given, after the rows were set in order, in reverse,
// and after some were changed.
TEST(MasterRows, GiveBackWhatWasSet)
{
    const Shape shapes[] = {
        {"same order", 1000, [](std::size_t row, std::mt19937 &) { return row; }},
        {"shifted", 1000, [](std::size_t row, std::mt19937 &) { return row + 7; }},
        {"master rows before", 1000, [](std::size_t row, std::mt19937 &) { return row > 500 ? row - 500 : 0; }},
        {"runs shifted by insertions", 5000,
         [](std::size_t row, std::mt19937 &) { return row + row / 333 * 3; }},
        {"a gap in every block", 3000, [](std::size_t row, std::mt19937 &) { return row % 64 == 5 ? 0 : row; }},
        {"the first row of each block apart", 3000,
         [](std::size_t row, std::mt19937 &) { return row % 64 == 0 ? row + 100000 : row; }},
        {"scattered", 3000, [](std::size_t, std::mt19937 &random) { return std::size_t(random() % 4000); }},
        {"no master at all", 300, [](std::size_t, std::mt19937 &) { return std::size_t(0); }},
        {"rows and master rows beyond 32 bits", 200,
         [](std::size_t row, std::mt19937 &) { return row % 3 ? std::size_t(0x100000000ull) + row * 5 : row; }},
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::mt19937 random(11);
        std::vector<std::size_t> expected(shape.rows + 1, 0);
        for (std::size_t row = 1; row <= shape.rows; ++row)
            expected[row] = shape.master(row, random);
        for (const bool reverse : {false, true}) {
            MasterRows rows;
            rows.reset(shape.rows);
            for (std::size_t i = 1; i <= shape.rows; ++i) {
                const std::size_t row = reverse ? shape.rows + 1 - i : i;
                rows.set(row, expected[row]);
            }
            for (std::size_t row = 0; row <= shape.rows; ++row)
                ASSERT_EQ(rows.get(row), expected[row]) << "row " << row << (reverse ? " (set in reverse)" : "");
            EXPECT_EQ(rows.get(shape.rows + 1), 0u);
            // A row set again keeps only its new master row.
            std::vector<std::size_t> changed = expected;
            for (std::size_t row = 3; row <= shape.rows; row += 7) {
                changed[row] = row % 2 ? 0 : random() % 9000;
                rows.set(row, changed[row]);
            }
            for (std::size_t row = 0; row <= shape.rows; ++row)
                ASSERT_EQ(rows.get(row), changed[row]) << "row " << row << " after changes";
        }
    }
}

// Rows in the master's order cost a few bits each, not a number each.
TEST(MasterRows, RowsInTheMastersOrderTakeLittleRoom)
{
    MasterRows rows;
    rows.reset(1000000);
    for (std::size_t row = 1; row <= 1000000; ++row)
        rows.set(row, row + 2);
    EXPECT_LT(rows.bytesHeld(), 1000000u / 2);
    EXPECT_EQ(rows.get(999999), 1000001u);
    rows.clear();
    EXPECT_EQ(rows.get(5), 0u);
}

} // namespace
