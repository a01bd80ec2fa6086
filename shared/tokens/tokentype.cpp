#include "tokentype.h"

#include "numbers.h"

TokenType TokenTypeOf(std::string_view typeCell)
{
    // The plain cells of every token file come first, at no cost.
    if (typeCell.size() == 1 && typeCell[0] >= '4' && typeCell[0] <= '6')
        return static_cast<TokenType>(typeCell[0] - '0');
    if (typeCell == "16")
        return TokenType::Version;
    const double type = LeadingNumber(typeCell);
    if (type == 4)
        return TokenType::Menu;
    if (type == 5)
        return TokenType::Dialog;
    if (type == 6)
        return TokenType::String;
    if (type == 16)
        return TokenType::Version;
    return TokenType::Other;
}

std::string_view TypeCell(TokenType type)
{
    switch (type) {
    case TokenType::Menu:
        return "4";
    case TokenType::Dialog:
        return "5";
    case TokenType::String:
        return "6";
    case TokenType::Version:
        return "16";
    case TokenType::Other:
        break;
    }
    return {};
}

const char *TypeName(TokenType type)
{
    switch (type) {
    case TokenType::Menu:
        return "Menu";
    case TokenType::Dialog:
        return "Dialog";
    case TokenType::String:
        return "String";
    case TokenType::Version:
        return "Version";
    case TokenType::Other:
        break;
    }
    return "Unknow type";
}
