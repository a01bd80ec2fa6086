#include "tokenlist.h"

#include "tokencounts.h"

std::vector<std::size_t> ListTokens(const TokenTable &table, const TokenFilter &filter, bool showReadOnly)
{
    std::vector<std::size_t> rows;
    rows.reserve(filter.mode == TokenFilter::All ? table.tokenCount() : table.tokenCount() / 4);
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        const std::int64_t status = StatusOf(table.cell(row, ColStatus));
        const bool passes = filter.mode == TokenFilter::ByType
                                ? PassesFilter(filter, status, TypeName(table.cell(row, ColType)))
                                : PassesFilter(filter, status, {});
        if (passes && IsListed(status, showReadOnly))
            rows.push_back(row);
    }
    return rows;
}

std::vector<std::size_t> ListTokens(const TokenSummary &summary, const TokenTable &table, const TokenFilter &filter,
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
    const int onlyType = filter.mode == TokenFilter::ByType ? TokenSummary::TypeIndex(filter.typeName) : -1;
    std::vector<std::size_t> rows;
    if (filter.mode == TokenFilter::ByType && onlyType < 0)
        return rows; // a name that names no type lists nothing
    rows.reserve(filter.mode == TokenFilter::All ? summary.tokenCount() : summary.tokenCount() / 4);
    for (std::size_t row = 1; row <= summary.tokenCount(); ++row) {
        if (passes[summary.flags(row)] && (onlyType < 0 || summary.type(row) == onlyType))
            rows.push_back(row);
    }
    return rows;
}
