#pragma once

#include "codepage.h"

#include <string>
#include <string_view>
#include <vector>

// Where a token lives, in words: the resource item its key fields name, as our
// rlman numbers them.

// The key fields of a token as the token file holds them (bytes).
struct TokenKeyFields
{
    std::string_view type;     // field 1
    std::string_view name;     // field 2
    std::string_view item;     // field 3
    std::string_view position; // field 4
    std::string_view extra;    // field 6
};

// Whether the fields follow our rlman's numbering: a known type, decimal
// numbers written as rlman writes them where it writes numbers, a string id
// that its block and position give, a version value's name, and nothing in
// field 6 but for version values.
bool IsRlmanKey(const TokenKeyFields &fields);

// "Dialog 101, control 1002 (3rd)", "Dialog 101, caption", "Menu 1: File ▸
// Open...", "String table, string 5", "Version: FileDescription";
// "Fields: 5 | 100 | x | 1 | (none)" for a key that rlman would not write.
// `menuPath` holds, for a menu item, the texts of the popups above it and its
// own, outermost first, as the source file gives them; without it a menu item
// is named by its id and position ("Menu 1, item 101 at position 1").
std::u16string DescribeTokenPlace(const TokenKeyFields &fields, const std::vector<std::u16string> &menuPath = {},
                                  const CodePage &codePage = CodePage::windows1252());

// A menu item's text as a path step: access-key markers dropped ("&&" is an
// ampersand), the shortcut after a tab cut off, blanks at the end trimmed.
std::u16string MenuLabel(const std::u16string &text);

// "1st", "2nd", "3rd", "4th", "11th", "21st", "112th".
std::string Ordinal(unsigned long long n);
