#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

// The rows of the token list: table row numbers, ascending, four bytes each (a
// million listed tokens cost 4 MB). A list once made is never changed: the
// narrowing, the list model and the progress share one and the same, and a new
// list replaces it as a whole.
using ListRow = std::uint32_t;
using ListRows = std::vector<ListRow>;
using SharedListRows = std::shared_ptr<const ListRows>;

// The highest table row a list can hold. A view numbers its items with an int,
// so a list never holds more rows than that, and its row numbers then fit in a
// ListRow. The rows of a table beyond it are never listed.
constexpr std::size_t kLastListableRow = static_cast<std::size_t>(std::numeric_limits<int>::max());
static_assert(kLastListableRow <= std::numeric_limits<ListRow>::max(), "a listed row must fit in a ListRow");

// The rows 1..n of a table of `tokenCount` rows that a list can hold.
constexpr std::size_t ListableRows(std::size_t tokenCount)
{
    return tokenCount < kLastListableRow ? tokenCount : kLastListableRow;
}

// A list of no rows, shared.
inline const SharedListRows &NoListRows()
{
    static const SharedListRows none = std::make_shared<const ListRows>();
    return none;
}
