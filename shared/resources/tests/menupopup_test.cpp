#include "restokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Builds menu templates in memory, the way a resource compiler lays them out.
class MenuBytes
{
public:
    void u16(unsigned v)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(unsigned v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void sz(const std::u16string &text)
    {
        for (char16_t c : text)
            u16(c);
        u16(0);
    }
    void align4()
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
    }
    Resource menu() const
    {
        Resource r;
        r.type = ResId::of(RT_MENU_TYPE);
        r.name = ResId::of(7);
        r.data = m_bytes;
        return r;
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

constexpr unsigned kPopup = 0x10;
constexpr unsigned kEnd = 0x80;

std::string describe(const std::vector<ResourceToken> &tokens)
{
    std::string out;
    for (const ResourceToken &t : tokens)
        out += t.item + "|" + t.position + " in " + std::to_string(t.popup) + " " + t.text + "\n";
    return out;
}

// File (Open, a separator, Recent (One), Exit) and Help (About): each item knows
// the position of the popup it belongs to; separators count in positions.
const char kExpected[] = "0|0 in -1 &File\n"
                         "1|1 in 0 &Open\n"
                         "0|3 in 0 &Recent\n"
                         "2|4 in 3 &One\n"
                         "3|5 in 0 E&xit\n"
                         "0|6 in -1 &Help\n"
                         "4|7 in 6 &About\n";

TEST(MenuPopup, StandardMenuItemsKnowTheirPopup)
{
    MenuBytes b;
    b.u16(0); // version
    b.u16(0); // header size
    b.u16(kPopup);
    b.sz(u"&File");
    b.u16(0), b.u16(1), b.sz(u"&Open");
    b.u16(0), b.u16(0), b.sz(u""); // separator
    b.u16(kPopup), b.sz(u"&Recent");
    b.u16(kEnd), b.u16(2), b.sz(u"&One");
    b.u16(kEnd), b.u16(3), b.sz(u"E&xit");
    b.u16(kPopup | kEnd), b.sz(u"&Help");
    b.u16(kEnd), b.u16(4), b.sz(u"&About");
    EXPECT_EQ(describe(ResourceTokens(b.menu())), kExpected);
}

TEST(MenuPopup, ExtendedMenuItemsKnowTheirPopup)
{
    MenuBytes b;
    b.u16(1); // version
    b.u16(4); // offset to the items
    b.u32(0); // help id
    auto item = [&](unsigned id, unsigned flags, const std::u16string &text) {
        b.u32(0), b.u32(0), b.u32(id), b.u16(flags), b.sz(text), b.align4();
        if (flags & 0x01)
            b.u32(0);
    };
    item(0, 0x01, u"&File");
    item(1, 0, u"&Open");
    item(0, 0, u"");
    item(0, 0x01, u"&Recent");
    item(2, kEnd, u"&One");
    item(3, kEnd, u"E&xit");
    item(0, 0x01 | kEnd, u"&Help");
    item(4, kEnd, u"&About");
    EXPECT_EQ(describe(ResourceTokens(b.menu())), kExpected);
}

} // namespace
