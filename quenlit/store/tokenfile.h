#pragma once

#include "tokenio.h"
#include "tokentable.h"

#include <functional>
#include <string>
#include <string_view>

struct SaveResult
{
    bool ok = true;
    std::string message; // what went wrong, with the path
};

// Writes the table to the token file and keeps the file's previous content as
// path + ".bak". The new content goes to a temporary file beside the token file,
// the backup is put in place, then the temporary file replaces the token file in
// one rename. On any failure the token file is untouched, the previous backup is
// only replaced by a complete new one, and no temporary file is left.
SaveResult SaveProjectTokens(const std::string &path, const TokenTable &table,
                             const std::function<void(double)> &progress = {});
