#include "checks/menulevels.h"

#include "projectfiles.h"
#include "resources.h"
#include "sourceresources.h"
#include "textlines.h"
#include "tokenstatus.h"

#include <algorithm>
#include <map>

std::string MenuLevels::key(std::string_view menu, std::string_view item, std::string_view position)
{
    std::string k;
    k.reserve(menu.size() + item.size() + position.size() + 2);
    k.append(menu).append(1, '|').append(item).append(1, '|').append(position);
    return k;
}

MenuLevels MenuLevels::ForMasterProject(const std::string &masterProject, const TokenTable &master)
{
    const auto lines = ReadFileLines(masterProject, kSourceLanguageLine);
    if (!lines || lines->empty())
        return {};
    std::vector<std::uint16_t> preferred;
    if (lines->size() >= kSourceLanguageLine) {
        const SourceLanguage language = ParseSourceLanguageLine((*lines)[kSourceLanguageLine - 1]);
        if (language.chosen())
            preferred = LanguageLookupOrder(static_cast<std::uint16_t>(language.languageId()));
    }
    return FromSourceFile(lines->front(), master, preferred);
}

MenuLevels MenuLevels::FromSourceFile(const std::string &path, const TokenTable &master,
                                      const std::vector<std::uint16_t> &preferred)
{
    // The same resources, in the same language, as the master tokens were cut from.
    return FromTokens(SourceResources::Read(path, preferred).menuTokens(), master);
}

MenuLevels MenuLevels::Unavailable(std::string why)
{
    MenuLevels levels;
    levels.m_unavailable = why.empty() ? std::string("the source file cannot be read") : std::move(why);
    return levels;
}

MenuLevels MenuLevels::FromTokens(const std::vector<ResourceToken> &tokens, const TokenTable &master)
{
    return FromTokens(tokens, ItemsOf(master));
}

MenuLevels::MasterItems MenuLevels::ItemsOf(const TokenTable &master)
{
    MasterItems items;
    for (std::size_t row = 1; row <= master.tokenCount(); ++row) {
        if (TokenTypeOf(master.cell(row, ColType)) != TokenType::Menu || !master.cell(row, ColId6).empty())
            continue;
        items[std::string(master.cell(row, ColId2))].push_back(std::string(master.cell(row, ColId3)) + '|' +
                                                                std::string(master.cell(row, ColId4)));
    }
    return items;
}

MenuLevels MenuLevels::FromTokens(const std::vector<ResourceToken> &tokens, MasterItems inMaster)
{
    // Per menu, its items as "item|position", and the tokens themselves.
    std::map<std::string, std::vector<std::string>> source;
    std::map<std::string, std::vector<const ResourceToken *>> menuTokens;
    for (const ResourceToken &t : tokens) {
        if (t.type == RT_MENU_TYPE) {
            source[t.name].push_back(t.item + '|' + t.position);
            menuTokens[t.name].push_back(&t);
        }
    }
    MenuLevels levels;
    for (auto &[name, items] : source) {
        auto &known = inMaster[name];
        std::sort(items.begin(), items.end());
        std::sort(known.begin(), known.end());
        if (items != known)
            continue;
        ++levels.m_menus;
        for (const ResourceToken *t : menuTokens[name])
            levels.m_popups[key(t->name, t->item, t->position)] = t->popup;
    }
    return levels;
}

std::optional<long long> MenuLevels::popupOf(std::string_view menu, std::string_view item,
                                             std::string_view position) const
{
    if (m_popups.empty())
        return std::nullopt;
    const auto it = m_popups.find(key(menu, item, position));
    if (it == m_popups.end())
        return std::nullopt;
    return it->second;
}
