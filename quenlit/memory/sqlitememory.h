#pragma once

#include "memory/translationmemory.h"

#include <memory>
#include <string>

namespace memory {

// A memory opened from a SQLite database.
struct OpenedMemory
{
    std::unique_ptr<TranslationMemory> memory; // null when it could not be opened
    // Why there is none ("Can't open the translation memory ...: reason").
    std::string failure;
    // Told once: a damaged database found at `path` was renamed aside (the
    // message names the new name) and a new, empty one started in its place.
    std::string notice;
};

// Opens or creates the database at `path` (its folder too), in WAL mode so
// that other programs may read and write it at the same time: a writer waits
// up to `busyMilliseconds` for another one to finish. A file that is not a
// database of ours, or a damaged one, is set aside as PATH.damaged-DATE (with
// its -wal and -shm files) and a new one made, both at opening and when an
// operation later finds the damage; a database made by a newer version of the
// program is left alone and not opened.
OpenedMemory OpenSqliteMemory(const std::string &path, int busyMilliseconds = 5000);

// The default place of the user's memory: UserDataFolder()/memory.sqlite.
std::string DefaultMemoryPath();

} // namespace memory
