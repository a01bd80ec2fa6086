#pragma once

#include "resources.h"

#include <cstdint>
#include <string>
#include <vector>

// A menu template (standard or extended) as a tree: every item, popups and
// separators included, in the order of the template, which is depth first.
struct MenuItem
{
    // The item's position among all the items of the menu, depth first,
    // separators counted: field 4 of its token.
    std::size_t position = 0;
    // Field 3 of its token: 0 for a popup of a standard menu.
    std::uint32_t id = 0;
    std::u16string text;
    bool popup = false;
    bool separator = false;
    bool grayed = false;
    bool checked = false;
    bool rightJustified = false; // MF_HELP / MFT_RIGHTJUSTIFY: pushed to the right of the bar
    bool menuBreak = false;      // starts a new column
    // Position of the popup that holds the item, -1 for the menu bar.
    long long parent = -1;
    // Indexes (into MenuTemplate::items) of the items of a popup, in order.
    std::vector<std::size_t> children;
};

struct MenuTemplate
{
    bool extended = false;
    std::vector<MenuItem> items; // index == position
    std::vector<std::size_t> bar; // indexes of the menu bar's items

    // The item whose token has these fields 3 and 4, or null.
    const MenuItem *itemForToken(std::uint32_t id, std::size_t position) const;
    // The items of the level that holds `item`: its popup's, or the bar's.
    const std::vector<std::size_t> &levelOf(const MenuItem &item) const;
    // The popups from the bar down to the one that holds `item` (empty for an
    // item of the bar itself), outermost first.
    std::vector<const MenuItem *> popupsAbove(const MenuItem &item) const;
};

// Throws ResourceError on malformed data; `what` names the resource in the message.
MenuTemplate ParseMenuTemplate(const std::uint8_t *data, std::size_t size, const std::string &what);
MenuTemplate ParseMenuTemplate(const Resource &resource);
