#pragma once

#include "tokentype.h"

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

// The status the Translated box gives: 2 if read-only, plus 4 or 1.
inline std::int64_t TranslatedBoxStatus(bool readOnly, bool translated)
{
    return (readOnly ? 2 : 0) + (translated ? 4 : 1);
}
