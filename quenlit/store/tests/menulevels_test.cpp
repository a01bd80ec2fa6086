#include "menulevels.h"
#include "testfiles.h"
#include "tokenio.h"

#include <gtest/gtest.h>

namespace {

class Bytes
{
public:
    void u16(unsigned v)
    {
        m_bytes += static_cast<char>(v & 0xFF);
        m_bytes += static_cast<char>(v >> 8);
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
            m_bytes += '\0';
    }
    std::size_t size() const { return m_bytes.size(); }
    const std::string &str() const { return m_bytes; }
    void append(const std::string &b) { m_bytes += b; }

private:
    std::string m_bytes;
};

// A .res file holding menu 1: File (Open, Exit) and Help (About).
std::string menuRes()
{
    Bytes menu;
    menu.u16(0), menu.u16(0);
    menu.u16(0x10), menu.sz(u"&File");
    menu.u16(0), menu.u16(101), menu.sz(u"&Open");
    menu.u16(0x80), menu.u16(102), menu.sz(u"E&xit");
    menu.u16(0x90), menu.sz(u"&Help");
    menu.u16(0x80), menu.u16(103), menu.sz(u"&About");

    auto entry = [](unsigned type, unsigned name, const std::string &data) {
        Bytes e;
        e.u32(static_cast<unsigned>(data.size()));
        e.u32(32);
        e.u16(0xFFFF), e.u16(type), e.u16(0xFFFF), e.u16(name);
        e.u32(0), e.u16(0x1030), e.u16(0x409), e.u32(0), e.u32(0);
        e.append(data);
        e.align4();
        return e.str();
    };
    return entry(0, 0, {}) + entry(4, 1, menu.str());
}

const char kMaster[] = "[[4|1|0|0|1|]]=&File\r\n"
                       "[[4|1|101|1|1|]]=&Open\r\n"
                       "[[4|1|102|2|1|]]=E&xit\r\n"
                       "[[4|1|0|3|1|]]=&Help\r\n"
                       "[[4|1|103|4|1|]]=&About\r\n";

TEST(MenuLevels, ReadFromTheSourceFile)
{
    TempDir dir;
    WriteFile(dir.file("demo.res"), menuRes());
    TokenTable master;
    LoadTokens(kMaster, master);
    const MenuLevels levels = MenuLevels::FromSourceFile(dir.file("demo.res"), master);
    EXPECT_EQ(levels.menuCount(), 1u);
    EXPECT_EQ(levels.popupOf("1", "0", "0"), -1);
    EXPECT_EQ(levels.popupOf("1", "101", "1"), 0);
    EXPECT_EQ(levels.popupOf("1", "102", "2"), 0);
    EXPECT_EQ(levels.popupOf("1", "0", "3"), -1);
    EXPECT_EQ(levels.popupOf("1", "103", "4"), 3);
    EXPECT_FALSE(levels.popupOf("1", "103", "5"));
    EXPECT_FALSE(levels.popupOf("2", "103", "4"));
}

TEST(MenuLevels, NoneWhereTheSourceNoLongerMatches)
{
    TempDir dir;
    WriteFile(dir.file("demo.res"), menuRes());
    WriteFile(dir.file("garbage.dll"), "MZ not really");
    TokenTable master;
    // The master token file was made from another version of the menu.
    LoadTokens(std::string(kMaster) + "[[4|1|104|5|1|]]=&Index\r\n", master);
    EXPECT_TRUE(MenuLevels::FromSourceFile(dir.file("demo.res"), master).empty());
    TokenTable same;
    LoadTokens(kMaster, same);
    EXPECT_TRUE(MenuLevels::FromSourceFile(dir.file("missing.dll"), same).empty());
    EXPECT_TRUE(MenuLevels::FromSourceFile(dir.file("garbage.dll"), same).empty());
    EXPECT_TRUE(MenuLevels::FromSourceFile(dir.path().string(), same).empty());
}

} // namespace
