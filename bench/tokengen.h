#pragma once

#include <string>

// A token file of `count` realistic lines (40 to 60 bytes, menus, dialogs,
// strings and version values, mixed statuses). The same count gives the same bytes.
std::string GenerateTokenFile(std::size_t count, bool translated);
