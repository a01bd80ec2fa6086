#pragma once

#include "restokens.h"
#include "tokentable.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Which popup each menu item belongs to. Token files do not say: field 4 of a
// menu token is the item's position among all the items of its menu, depth
// first. The levels are read again from the master project's source file, and
// trusted for a menu only where that file still gives exactly the menu tokens of
// the master token file (the same item ids at the same positions); a menu the
// source file no longer matches, or any menu when the file cannot be read, has
// no levels.
class MenuLevels
{
public:
    // Levels of the menus of the master project's source file (its line 1), in
    // the source language its line 3 records, as `rlman -m` cuts them. Paths are
    // taken in the current directory.
    static MenuLevels ForMasterProject(const std::string &masterProject, const TokenTable &master);
    // Levels of a source file's menus, as far as they match the master table;
    // the copies of resources in several languages chosen by `preferred`.
    static MenuLevels FromSourceFile(const std::string &path, const TokenTable &master,
                                     const std::vector<std::uint16_t> &preferred = {});
    static MenuLevels FromTokens(const std::vector<ResourceToken> &tokens, const TokenTable &master);

    // The menu items of a master table as the levels compare them: per menu,
    // its items' "item|position". Taken where the table lives, so that the
    // levels can be worked out on another thread.
    using MasterItems = std::map<std::string, std::vector<std::string>>;
    static MasterItems ItemsOf(const TokenTable &master);
    static MenuLevels FromTokens(const std::vector<ResourceToken> &tokens, MasterItems inMaster);

    // The popup (field 4 of the popup item, -1 for the menu bar) of the menu
    // item with these key cells, or nothing when its menu has no levels.
    std::optional<long long> popupOf(std::string_view menu, std::string_view item, std::string_view position) const;

    // No levels, because the source file could not give them: `why` says so in
    // words ("no such file", ...).
    static MenuLevels Unavailable(std::string why);
    // Why there are no levels at all, or empty.
    const std::string &unavailable() const { return m_unavailable; }

    // The number of menus that have levels.
    std::size_t menuCount() const { return m_menus; }
    bool empty() const { return m_popups.empty(); }

private:
    static std::string key(std::string_view menu, std::string_view item, std::string_view position);

    std::unordered_map<std::string, long long> m_popups;
    std::size_t m_menus = 0;
    std::string m_unavailable;
};
