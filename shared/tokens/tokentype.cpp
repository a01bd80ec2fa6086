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

namespace {

struct TypeWords
{
    TokenType type;
    const char *cell;
    const char *name;
};

constexpr TypeWords kTypes[] = {{TokenType::Menu, "4", "Menu"},
                                {TokenType::Dialog, "5", "Dialog"},
                                {TokenType::String, "6", "String"},
                                {TokenType::Version, "16", "Version"},
                                {TokenType::Other, "", "Unknow type"}};

const TypeWords &wordsOf(TokenType type)
{
    for (const TypeWords &words : kTypes) {
        if (words.type == type)
            return words;
    }
    return kTypes[4];
}

} // namespace

std::string_view TypeCell(TokenType type)
{
    return wordsOf(type).cell;
}

const char *TypeName(TokenType type)
{
    return wordsOf(type).name;
}
