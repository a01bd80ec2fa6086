#include "listing/tokenfilter.h"

#include "numbers.h"
#include "tokenstatus.h"

namespace {

std::optional<TokenType> typeNamed(std::string_view name)
{
    for (const TokenType type :
         {TokenType::Menu, TokenType::Dialog, TokenType::String, TokenType::Version, TokenType::Other}) {
        if (name == TypeName(type))
            return type;
    }
    return std::nullopt;
}

} // namespace

TokenFilter ParseFilterTag(std::string_view tag, std::string_view nodeText)
{
    TokenFilter filter;
    if (tag.substr(0, 6) == "byType") {
        filter.mode = TokenFilter::ByType;
        filter.type = typeNamed(nodeText);
    } else if (tag.substr(0, 8) == "byStatus") {
        filter.mode = TokenFilter::ByStatus;
        // The mask starts at position 10 (1-based) and ends at the first blank there or after.
        const std::string_view rest = tag.size() > 9 ? tag.substr(9) : std::string_view();
        const auto blank = rest.find(' ');
        filter.mask = LeadingInteger(rest.substr(0, blank));
        filter.value = blank == std::string_view::npos ? 0 : LeadingInteger(rest.substr(blank + 1));
    }
    return filter;
}

bool PassesFilter(const TokenFilter &filter, std::int64_t status, TokenType type)
{
    switch (filter.mode) {
    case TokenFilter::All:
        return true;
    case TokenFilter::ByType:
        return filter.type == type;
    case TokenFilter::ByStatus:
        return (status & filter.mask) == filter.value;
    }
    return false;
}

bool IsListed(std::int64_t status, bool showReadOnly)
{
    return (status & FlagNonTranslated) || !(status & FlagReadOnly) || showReadOnly;
}
