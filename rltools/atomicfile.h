#pragma once

#include <string>
#include <string_view>
#include <vector>

// Writes a whole file through a temporary file beside it and one rename, so the
// file is either what it was or wholly the new content. Returns an error text,
// empty on success.
std::string WriteFileAtomically(const std::string &path, std::string_view bytes);
// The same for a file made of parts, written one after the other.
std::string WriteFileAtomically(const std::string &path, const std::vector<std::string_view> &parts);
