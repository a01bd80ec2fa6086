#include "listing/tokenlist.h"

#include "listing/tokencounts.h"

ListRows ListTokens(const TokenTable &table, const TokenFilter &filter, bool showReadOnly)
{
    const std::size_t listable = ListableRows(table.tokenCount());
    ListRows rows;
    rows.reserve(filter.mode == TokenFilter::All ? listable : listable / 4);
    for (std::size_t row = 1; row <= listable; ++row) {
        const std::int64_t status = StatusOf(table.cell(row, ColStatus));
        const bool passes = filter.mode == TokenFilter::ByType
                                ? PassesFilter(filter, status, TokenTypeOf(table.cell(row, ColType)))
                                : PassesFilter(filter, status, TokenType::Other);
        if (passes && IsListed(status, showReadOnly))
            rows.push_back(static_cast<ListRow>(row));
    }
    return rows;
}

ListRows ListTokens(const TokenSummary &summary, const TokenTable &table, const TokenFilter &filter,
                    bool showReadOnly)
{
    constexpr std::int64_t kFlags = 7;
    if (summary.tokenCount() != table.tokenCount() ||
        (filter.mode == TokenFilter::ByStatus && (filter.mask & ~kFlags) != 0))
        return ListTokens(table, filter, showReadOnly);
    // Whether a status of these flag bits passes the filter and the option.
    bool passes[8];
    for (int flags = 0; flags < 8; ++flags)
        passes[flags] = (filter.mode != TokenFilter::ByStatus || (flags & filter.mask) == filter.value) &&
                        IsListed(flags, showReadOnly);
    const int onlyType = filter.mode == TokenFilter::ByType && filter.type ? TokenSummary::TypeIndex(*filter.type) : -1;
    ListRows rows;
    if (filter.mode == TokenFilter::ByType && onlyType < 0)
        return rows; // a node that names no type lists nothing
    const std::size_t listable = ListableRows(summary.tokenCount());
    rows.reserve(filter.mode == TokenFilter::All ? listable : listable / 4);
    for (std::size_t row = 1; row <= listable; ++row) {
        if (passes[summary.flags(row)] && (onlyType < 0 || summary.type(row) == onlyType))
            rows.push_back(static_cast<ListRow>(row));
    }
    return rows;
}
