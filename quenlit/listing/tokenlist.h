#pragma once

#include "listing/listrows.h"
#include "listing/tokenfilter.h"
#include "tokenstatus.h"
#include "tokentable.h"

class TokenSummary;

// The rows of a project table that the token list shows under a filter and the
// read-only option, in row order. Only rows 1..ListableRows(table.tokenCount())
// are looked at: the rows of a table too long for a list are never listed.
ListRows ListTokens(const TokenTable &table, const TokenFilter &filter, bool showReadOnly);

// The same rows, read from the summary of the table (its types and the flag
// bits of its statuses) where the filter needs nothing else; a status filter
// on higher bits reads the statuses of the table.
ListRows ListTokens(const TokenSummary &summary, const TokenTable &table, const TokenFilter &filter,
                    bool showReadOnly);
