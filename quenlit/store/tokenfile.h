#pragma once

#include "result.h"
#include "tokenio.h"
#include "tokentable.h"

#include <functional>
#include <string>
#include <string_view>

enum class SaveError
{
    None,
    Refused, // not a regular file, or write-protected: nothing was tried
    Failed   // a call failed: the message names it and the system's reason
};
using SaveResult = Result<SaveError>;

// Writes the table to the token file and keeps the file's previous content as
// path + ".bak".
//
// A token file that is a symbolic link is saved through the link: the file it
// resolves to gets the new content and the link stays. The new content goes
// first to a temporary file beside the token file, owned and moded like it,
// written to the disk. Then the file on disk becomes the backup (a second name
// beside the ".bak", synced and renamed over it; a synced copy where the file
// system has no second names), the temporary file is renamed over the token
// file, and the folder is synced. The token file is rewritten in place
// instead, once a copy of it is safe as the backup, when it has other hard
// links, when its group cannot be kept on a new file, or when its folder takes
// no new files. A write-protected token file is refused and nothing changes.
//
// On failure the message names the token file (as given) and the error of the
// call that failed; the token file keeps its previous content and no temporary
// file is left.
SaveResult SaveProjectTokens(const std::string &path, const TokenTable &table,
                             const std::function<void(double)> &progress = {});

// Removes what saves of this token file left behind when their process died in
// the middle (full-size temporaries beside the token file, its backup and the
// file its link resolves to). Only names this program gives its temporaries,
// with the number of a process of this machine that no longer runs, are removed.
void RemoveStaleTemporaries(const std::string &path);

// The name a save of `path` by this process gives its temporary file, and
// whether a folder entry is such a temporary of `path`'s name left by a process
// of this machine that has ended.
std::string TemporaryNameFor(const std::string &path);
bool IsStaleTemporary(const std::string &entryName, const std::string &baseName);
