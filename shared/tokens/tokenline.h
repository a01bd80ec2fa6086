#pragma once

#include "tokentable.h"

#include <string>
#include <string_view>

// The outcome of parsing one token line.
enum class TokenLineStatus
{
    Ok,
    // Not a token line ("Bad token !"): the line is skipped, the reading goes on.
    Bad,
    // The first '|' stands within the two skipped characters: field 1 cannot be
    // cut out and the reading of the file stops.
    ReadError
};

// Finds the cells of "[[" f1 "|" f2 "|" f3 "|" f4 "|" f5 "|" f6 "]]=" text. The
// first two characters are skipped unseen; every search runs over the whole line.
TokenLineStatus ParseTokenLine(std::string_view line, TokenLineLayout &layout);

// Parses a line and appends it to the table when it is a token.
TokenLineStatus AjouteToken(std::string_view line, TokenTable &table);

// Appends the token line of a row, CR LF included, in the form
// "[[" c1 "|" c2 "|" c3 "|" c4 "|" c5 "|" c6 "]]=" c0.
void AppendTokenLine(const TokenTable &table, std::size_t row, std::string &out);
// The same form of these cells (by TokenColumn), without the line end; with
// `layout`, where its cells lie in what was appended. Every token line is
// written by this.
void AppendTokenLine(const std::string_view (&cells)[TokenColumnCount], std::string &out,
                     TokenLineLayout *layout = nullptr);
