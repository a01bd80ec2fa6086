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


// Whether items without text (separators, empty strings, controls without a
// title) give tokens. Token files never hold them; reading a localised file back
// needs them, since a translation may be empty.
enum class EmptyTexts
{
    Skip,
    Keep
};

// Menus, dialogs, string tables and version blocks.
bool IsLocalisable(const Resource &resource);

// The localisable resources by type and name, in the order of the file, each
// with its copies in every language, in the order of the file.
std::vector<std::vector<const Resource *>> LocalisableResources(const ResourceFile &file);

// The order in which Windows looks a resource up for a language: the language
// itself, then its primary language with the neutral sub-language, then with
// the default sub-language.
std::vector<std::uint16_t> LanguageLookupOrder(std::uint16_t language);

// Which copy of a resource held in several languages gives its tokens: the
// first language of `preferred` that the resource has (each taken exactly),
// else a language-neutral copy (primary language 0), else English (United
// States, as Windows looks it up: also English under the neutral sub-language),
// else the first copy in the file.
const Resource *ChooseLanguageCopy(const std::vector<const Resource *> &copies,
                                   const std::vector<std::uint16_t> &preferred);

// The tokens of every menu, dialog, string table and version resource, each
// from the copy that ChooseLanguageCopy picks, their texts and fields escaped in
// the code page of the token file they are for.
std::vector<ResourceToken> ExtractTokens(const ResourceFile &file, const std::vector<std::uint16_t> &preferred = {},
                                         EmptyTexts empty = EmptyTexts::Skip,
                                         const CodePage &codePage = CodePage::windows1252());

// The tokens of one resource; throws ResourceError when its data is malformed.
std::vector<ResourceToken> ResourceTokens(const Resource &resource, EmptyTexts empty = EmptyTexts::Skip,
                                          const CodePage &codePage = CodePage::windows1252());

// The field text of a resource name or number, in a token file's code page.
std::string ResIdField(const ResId &id, const CodePage &codePage = CodePage::windows1252());

// Texts without any letter, and file and product version numbers, are not for translators.
bool IsReadOnlyText(const std::u16string &text);
