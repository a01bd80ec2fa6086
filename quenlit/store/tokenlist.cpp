#include "tokenlist.h"

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
