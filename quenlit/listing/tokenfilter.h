#pragma once

#include "tokentype.h"

#include <cstdint>
#include <optional>
#include <string_view>

// A filter of the token list: every token, the tokens of one type, or those
// whose status gives `value` under `mask`.
struct TokenFilter
{
    enum Mode
    {
        All,
        ByType,
        ByStatus
    };
    Mode mode = All;
    std::optional<TokenType> type; // ByType; none for a node naming no type, which lists nothing
    std::int64_t mask = 0;         // ByStatus
    std::int64_t value = 0;        // ByStatus
};

// The filter of a node of the filter tree, from its tag and its text: "byType
// ..." takes the type the node's text names ("Menu", ..., "Unknow type");
// "byStatus MASK VALUE" the numbers after position 10; anything else lists all
// tokens. The window reads each node's tag once, when it builds the tree.
TokenFilter ParseFilterTag(std::string_view tag, std::string_view nodeText);

// Whether a token passes the filter and is listed under the read-only option.
bool PassesFilter(const TokenFilter &filter, std::int64_t status, TokenType type);
bool IsListed(std::int64_t status, bool showReadOnly);
