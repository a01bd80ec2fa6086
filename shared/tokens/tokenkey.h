#pragma once

#include "tokentable.h"

#include <string>
#include <string_view>

// A token's key as one text, from its five key cells (see TokenKeyColumns), in
// the form KeyText gives a table's row: keys made from a token file and keys made
// from a resource's items meet in one map.
std::string KeyText(std::string_view type, std::string_view name, std::string_view item, std::string_view position,
                    std::string_view extra);
std::string KeyText(const TokenTable &table, std::size_t row);

// A whole token line, CR LF included, from its seven cells, as AppendTokenLine
// writes it.
std::string TokenLine(std::string_view type, std::string_view name, std::string_view item, std::string_view position,
                      std::string_view status, std::string_view extra, std::string_view text);
