#pragma once

#include <cstdint>
#include <string_view>

// The resource type of a token: field 1, read as a number (so "05" is a dialog).
enum class TokenType : std::uint8_t
{
    Other = 0,
    Menu = 4,
    Dialog = 5,
    String = 6,
    Version = 16
};

TokenType TokenTypeOf(std::string_view typeCell);

// Field 1 as rlman writes it for a type: "4", "5", "6", "16" (empty for Other).
std::string_view TypeCell(TokenType type);

// "Menu", "Dialog", "String", "Version" or "Unknow type".
const char *TypeName(TokenType type);
inline const char *TypeName(std::string_view typeCell)
{
    return TypeName(TokenTypeOf(typeCell));
}
