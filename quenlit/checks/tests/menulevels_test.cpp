#include "checks/menulevels.h"
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

std::string resEntry(unsigned type, unsigned name, unsigned language, const std::string &data)
{
    Bytes e;
    e.u32(static_cast<unsigned>(data.size()));
    e.u32(32);
    e.u16(0xFFFF), e.u16(type), e.u16(0xFFFF), e.u16(name);
    e.u32(0), e.u16(0x1030), e.u16(language), e.u32(0), e.u32(0);
    e.append(data);
    e.align4();
    return e.str();
}

// Menu 1: File (Open, Exit) and Help (About); with `index`, Help also holds Index.
std::string menuTemplate(bool index)
{
    Bytes menu;
    menu.u16(0), menu.u16(0);
    menu.u16(0x10), menu.sz(u"&File");
    menu.u16(0), menu.u16(101), menu.sz(u"&Open");
    menu.u16(0x80), menu.u16(102), menu.sz(u"E&xit");
    menu.u16(0x90), menu.sz(u"&Help");
    if (index)
        menu.u16(0), menu.u16(104), menu.sz(u"&Index");
    menu.u16(0x80), menu.u16(103), menu.sz(u"&About");
    return menu.str();
}

// A .res file holding menu 1 in English, and in French with an Index item.
std::string menuRes()
{
    return resEntry(0, 0, 0, {}) + resEntry(4, 1, 0x409, menuTemplate(false)) +
           resEntry(4, 1, 0x40C, menuTemplate(true));
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

// The copy of the menu the master tokens were cut from: the source language line
// 3 of the master project records.
TEST(MenuLevels, InTheSourceLanguageOfTheMasterProject)
{
    CurrentDirGuard guard;
    TempDir dir;
    std::filesystem::current_path(dir.path());
    WriteFile("demo.res", menuRes());
    WriteFile("english.mpj", "demo.res\r\ndemo.tok\r\n");
    WriteFile("french.mpj", "demo.res\r\ndemo.tok\r\nLANGUAGE 12 1\r\n");
    TokenTable english, french;
    LoadTokens(kMaster, english);
    LoadTokens("[[4|1|0|0|1|]]=&Fichier\r\n[[4|1|101|1|1|]]=&Ouvrir\r\n[[4|1|102|2|1|]]=&Quitter\r\n"
               "[[4|1|0|3|1|]]=&Aide\r\n[[4|1|104|4|1|]]=&Index\r\n[[4|1|103|5|1|]]=\xC0 &propos\r\n",
               french);
    EXPECT_EQ(MenuLevels::ForMasterProject("english.mpj", english).menuCount(), 1u);
    EXPECT_TRUE(MenuLevels::ForMasterProject("english.mpj", french).empty());
    const MenuLevels levels = MenuLevels::ForMasterProject("french.mpj", french);
    EXPECT_EQ(levels.popupOf("1", "103", "5"), 3);
    EXPECT_TRUE(MenuLevels::ForMasterProject("french.mpj", english).empty());
    EXPECT_TRUE(MenuLevels::ForMasterProject("missing.mpj", english).empty());
}

} // namespace
