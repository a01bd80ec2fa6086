#pragma once

#include <cstdint>

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
