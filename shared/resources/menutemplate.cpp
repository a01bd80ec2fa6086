#include "menutemplate.h"

#include "bytereader.h"
#include "restokens.h"

namespace {

// Standard menu item flags
constexpr std::uint16_t MF_GRAYED = 0x01;
constexpr std::uint16_t MF_CHECKED = 0x08;
constexpr std::uint16_t MF_POPUP = 0x10;
constexpr std::uint16_t MF_MENUBARBREAK = 0x20;
constexpr std::uint16_t MF_MENUBREAK = 0x40;
constexpr std::uint16_t MF_END = 0x80;
constexpr std::uint16_t MF_SEPARATOR = 0x800;
constexpr std::uint16_t MF_HELP = 0x4000;
// Extended menu item types and states
constexpr std::uint32_t MFT_MENUBARBREAK = 0x20;
constexpr std::uint32_t MFT_MENUBREAK = 0x40;
constexpr std::uint32_t MFT_SEPARATOR = 0x800;
constexpr std::uint32_t MFT_RIGHTJUSTIFY = 0x4000;
constexpr std::uint32_t MFS_GRAYED = 0x03;
constexpr std::uint32_t MFS_CHECKED = 0x08;
constexpr std::uint16_t EXTENDED_POPUP = 0x01;

class MenuParser
{
public:
    MenuParser(const std::uint8_t *data, std::size_t size, const std::string &what) : m_reader(data, size, what) {}

    MenuTemplate parse()
    {
        const std::uint16_t version = m_reader.u16();
        const std::uint16_t headerSize = m_reader.u16();
        if (version == 0) {
            m_reader.skip(headerSize);
            items(0, -1, m_menu.bar);
        } else if (version == 1) {
            m_menu.extended = true;
            m_reader.skip(headerSize); // the offset to the first item, from here
            extendedItems(0, -1, m_menu.bar);
        } else {
            m_reader.fail("unknown menu template version");
        }
        return std::move(m_menu);
    }

private:
    void depthCheck(int depth)
    {
        if (depth > 32)
            m_reader.fail("menu nests too deep");
    }

    std::size_t add(MenuItem item, long long parent, std::vector<std::size_t> &level)
    {
        const std::size_t index = m_menu.items.size();
        item.position = index;
        item.parent = parent;
        m_menu.items.push_back(std::move(item));
        level.push_back(index);
        return index;
    }

    void items(int depth, long long parent, std::vector<std::size_t> &level)
    {
        depthCheck(depth);
        for (;;) {
            const std::uint16_t flags = m_reader.u16();
            MenuItem item;
            item.popup = flags & MF_POPUP;
            item.id = item.popup ? 0 : m_reader.u16();
            item.text = m_reader.sz();
            item.grayed = flags & MF_GRAYED;
            item.checked = flags & MF_CHECKED;
            item.rightJustified = flags & MF_HELP;
            item.menuBreak = flags & (MF_MENUBREAK | MF_MENUBARBREAK);
            // MENUITEM SEPARATOR is an item without id, text or flags.
            item.separator = !item.popup && ((flags & MF_SEPARATOR) || (item.id == 0 && item.text.empty()));
            const std::size_t index = add(std::move(item), parent, level);
            if (flags & MF_POPUP) {
                std::vector<std::size_t> children;
                items(depth + 1, static_cast<long long>(index), children);
                m_menu.items[index].children = std::move(children);
            }
            if (flags & MF_END)
                return;
        }
    }

    void extendedItems(int depth, long long parent, std::vector<std::size_t> &level)
    {
        depthCheck(depth);
        for (;;) {
            const std::uint32_t type = m_reader.u32();
            const std::uint32_t state = m_reader.u32();
            MenuItem item;
            item.id = m_reader.u32();
            const std::uint16_t flags = m_reader.u16();
            item.text = m_reader.sz();
            m_reader.alignTo(4);
            item.popup = flags & EXTENDED_POPUP;
            item.separator = (type & MFT_SEPARATOR) != 0;
            item.grayed = (state & MFS_GRAYED) != 0;
            item.checked = (state & MFS_CHECKED) != 0;
            item.rightJustified = (type & MFT_RIGHTJUSTIFY) != 0;
            item.menuBreak = (type & (MFT_MENUBREAK | MFT_MENUBARBREAK)) != 0;
            const std::size_t index = add(std::move(item), parent, level);
            if (flags & EXTENDED_POPUP) {
                m_reader.skip(4); // help id
                std::vector<std::size_t> children;
                extendedItems(depth + 1, static_cast<long long>(index), children);
                m_menu.items[index].children = std::move(children);
            }
            if (flags & MF_END)
                return;
        }
    }

    ByteReader m_reader;
    MenuTemplate m_menu;
};

} // namespace

const MenuItem *MenuTemplate::itemForToken(std::uint32_t id, std::size_t position) const
{
    if (position >= items.size())
        return nullptr;
    const MenuItem &item = items[position];
    return item.id == id ? &item : nullptr;
}

const std::vector<std::size_t> &MenuTemplate::levelOf(const MenuItem &item) const
{
    if (item.parent < 0 || static_cast<std::size_t>(item.parent) >= items.size())
        return bar;
    return items[static_cast<std::size_t>(item.parent)].children;
}

std::vector<const MenuItem *> MenuTemplate::popupsAbove(const MenuItem &item) const
{
    std::vector<const MenuItem *> chain;
    long long parent = item.parent;
    // A parent always comes before its items, so the walk ends.
    while (parent >= 0 && static_cast<std::size_t>(parent) < items.size() &&
           static_cast<std::size_t>(parent) < item.position + 1) {
        const MenuItem &p = items[static_cast<std::size_t>(parent)];
        chain.insert(chain.begin(), &p);
        if (p.parent >= parent)
            break;
        parent = p.parent;
    }
    return chain;
}

MenuTemplate ParseMenuTemplate(const std::uint8_t *data, std::size_t size, const std::string &what)
{
    return MenuParser(data, size, what).parse();
}

MenuTemplate ParseMenuTemplate(const Resource &resource)
{
    return ParseMenuTemplate(resource.data.data(), resource.data.size(), "menu " + ResIdField(resource.name));
}
