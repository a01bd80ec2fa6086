#pragma once

#include "resources.h"
#include "tokentable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct LocalisedFile
{
    std::string bytes;
    std::vector<std::string> notes; // what the user should be told, e.g. a dropped signature
};

// The source file (PE image or .res) with the texts of its menus, dialogs,
// string tables and version block replaced by the project tokens' texts (paired
// by key; a resource item without a token keeps its text), those resources put
// under `language`, and everything else kept. Throws ResourceError.
LocalisedFile WriteLocalisedFile(const std::vector<std::uint8_t> &source, const TokenTable &project,
                                 std::uint16_t language);

// The data of one resource with its texts replaced: `textFor` gets the key of each
// token the resource holds and gives the new escaped text, or null to keep it.
using TextLookup = std::function<const std::string *(const std::string &key)>;
std::vector<std::uint8_t> RewriteResource(const Resource &resource, const TextLookup &textFor);

// The bytes of a .res file holding these resources.
std::vector<std::uint8_t> WriteResFile(const std::vector<Resource> &resources);
