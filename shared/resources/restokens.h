#pragma once

#include "resources.h"
#include "tokenescape.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A token cut out of a resource: its key fields, its text and whether it is for
// translators at all. Fields and text are 8-bit token-file bytes, escaped.
struct ResourceToken
{
    std::uint16_t type = 0;   // field 1
    std::string name;         // field 2: the resource's number, or its name
    std::string item;         // field 3: item id (menu, control, string id) or version table key
    std::string position;     // field 4: index of the item within its resource
    std::string extra;        // field 6: version value name, else empty
    std::string text;         // escaped text
    bool readOnly = false;
    // Menus: field 4 of the popup that holds the item, -1 for the menu bar. Not
    // written to token files; the checks read it to know the items of one level.
    long long popup = -1;

    std::string key() const { return std::to_string(type) + '|' + name + '|' + item + '|' + position + '|' + extra; }
};


// The tokens of every menu, dialog, string table and version resource. Of a
// resource present in several languages, `language` chooses one; without it, or
// when that language is missing, a resource present in one language only is
// taken, and otherwise the first one in the file.
std::vector<ResourceToken> ExtractTokens(const ResourceFile &file, std::optional<std::uint16_t> language = {},
                                         bool exactLanguageOnly = false);

// The tokens of one resource; throws ResourceError when its data is malformed.
std::vector<ResourceToken> ResourceTokens(const Resource &resource);

// The field text of a resource name or number.
std::string ResIdField(const ResId &id);

// Texts without any letter, and file and product version numbers, are not for translators.
bool IsReadOnlyText(const std::u16string &text);
