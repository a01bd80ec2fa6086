#include "tokenstatus.h"

#include "numbers.h"

std::int64_t StatusOf(std::string_view cell)
{
    return LeadingInteger(cell);
}

std::string StatusName(std::int64_t status)
{
    static const char *const names[8] = {"",          "Non-translated", "Read-only", "Read-only",
                                         "Translated", "Non-translated", "Read-only", "Read-only"};
    if (status >= 0 && status < 8)
        return names[status];
    return IntegerToText(status);
}

const char *TypeName(std::string_view typeCell)
{
    const double type = LeadingNumber(typeCell);
    if (type == 4)
        return "Menu";
    if (type == 5)
        return "Dialog";
    if (type == 6)
        return "String";
    if (type == 16)
        return "Version";
    return "Unknow type";
}

TokenLook LookForStatus(TokenLook look, std::int64_t status)
{
    if (status & FlagNonTranslated) {
        look.itemBold = true;
        look.itemColor = LookColor::Red;
        look.statusBold = true;
        look.statusColor = LookColor::Red;
    } else if (status & FlagTranslated) {
        look.itemBold = false;
        look.itemColor = LookColor::WindowText;
        look.statusBold = false;
        look.statusColor = LookColor::WindowText;
    }
    if (status & FlagReadOnly)
        look.itemColor = LookColor::GrayText;
    look.readOnly = (status & FlagReadOnly) != 0;
    return look;
}

TokenFilter ParseFilterTag(std::string_view tag, std::string_view nodeText)
{
    TokenFilter filter;
    if (tag.substr(0, 6) == "byType") {
        filter.mode = TokenFilter::ByType;
        filter.typeName = std::string(nodeText);
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

bool PassesFilter(const TokenFilter &filter, std::int64_t status, std::string_view typeName)
{
    switch (filter.mode) {
    case TokenFilter::All:
        return true;
    case TokenFilter::ByType:
        return typeName == filter.typeName;
    case TokenFilter::ByStatus:
        return (status & filter.mask) == filter.value;
    }
    return false;
}

bool IsListed(std::int64_t status, bool showReadOnly)
{
    return (status & FlagNonTranslated) || !(status & FlagReadOnly) || showReadOnly;
}
