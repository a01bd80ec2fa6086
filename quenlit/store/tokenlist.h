#pragma once

#include "tokenstatus.h"
#include "tokentable.h"

#include <vector>

// The rows of a project table that the token list shows under a filter and the
// read-only option, in row order.
std::vector<std::size_t> ListTokens(const TokenTable &table, const TokenFilter &filter, bool showReadOnly);
