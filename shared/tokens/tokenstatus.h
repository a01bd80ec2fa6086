#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Status flags of field 5.
enum TokenFlag : std::int64_t
{
    FlagNonTranslated = 1,
    FlagReadOnly = 2,
    FlagTranslated = 4
};

// The status of a token as the list reads it: the leading number of the cell,
// rounded. Kept wider than 16 bits so that any value read is written back as read.
std::int64_t StatusOf(std::string_view cell);

// Name of a status: the eight names of 0 to 7; any other value shows its number.
std::string StatusName(std::int64_t status);

// "Menu", "Dialog", "String", "Version" or "Unknow type", from field 1 read as a number.
const char *TypeName(std::string_view typeCell);

// The look of a listed token: the item ("Token" column) and its "Status" sub-item.
enum class LookColor : std::uint8_t
{
    WindowText,
    Red,
    GrayText
};

struct TokenLook
{
    bool itemBold = false;
    LookColor itemColor = LookColor::WindowText;
    bool statusBold = false;
    LookColor statusColor = LookColor::WindowText;
    // The status has the read-only flag: the list does not edit the item in place.
    bool readOnly = false;

    bool operator==(const TokenLook &o) const
    {
        return itemBold == o.itemBold && itemColor == o.itemColor && statusBold == o.statusBold &&
               statusColor == o.statusColor && readOnly == o.readOnly;
    }
};

// The look a token gets when its status is set: non-translated is bold red (item
// and status), else translated is plain window-text (both), else the look stays;
// then read-only greys the item alone (and marks it read-only).
TokenLook LookForStatus(TokenLook previous, std::int64_t status);

// A filter of the token list, read from a filter-tree node.
struct TokenFilter
{
    enum Mode
    {
        All,
        ByType,
        ByStatus
    };
    Mode mode = All;
    std::string typeName;  // ByType: the node's text
    std::int64_t mask = 0;  // ByStatus
    std::int64_t value = 0; // ByStatus
};

// "byType ..." takes the node's text as the type name; "byStatus MASK VALUE" the
// numbers after position 10; anything else lists all tokens.
TokenFilter ParseFilterTag(std::string_view tag, std::string_view nodeText);

// Whether a token passes the filter and is listed under the read-only option.
bool PassesFilter(const TokenFilter &filter, std::int64_t status, std::string_view typeName);
bool IsListed(std::int64_t status, bool showReadOnly);

// The status the Translated box gives: 2 if read-only, plus 4 or 1.
inline std::int64_t TranslatedBoxStatus(bool readOnly, bool translated)
{
    return (readOnly ? 2 : 0) + (translated ? 4 : 1);
}
