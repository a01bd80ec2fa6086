#include "layoutres.h"
#include "menutemplate.h"
#include "restokens.h"

#include <gtest/gtest.h>

namespace {

std::string describe(const MenuTemplate &m)
{
    std::string out;
    for (const MenuItem &item : m.items) {
        out += std::to_string(item.position) + " id " + std::to_string(item.id) + " in " +
               std::to_string(item.parent) + " " + EscapeText(item.text);
        if (item.popup)
            out += " popup(" + std::to_string(item.children.size()) + ")";
        if (item.separator)
            out += " separator";
        if (item.grayed)
            out += " grayed";
        if (item.checked)
            out += " checked";
        if (item.rightJustified)
            out += " right";
        out += "\n";
    }
    return out;
}

// The menus of layout.rc as trees: a standard menu and an extended one.
struct TreeRow
{
    int id;
    bool extended;
    const char *tree;
};

class MenuTree : public testing::TestWithParam<TreeRow>
{
};

TEST_P(MenuTree, AsATree)
{
    const ResourceFile file = ReadResourceFile(LayoutResBytes());
    const MenuTemplate m = ParseMenuTemplate(FindResource(file, RT_MENU_TYPE, ResId::of(GetParam().id)));
    EXPECT_EQ(m.extended, GetParam().extended);
    EXPECT_EQ(describe(m), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(LayoutRc, MenuTree,
                         testing::Values(TreeRow{1, false,
                                                 "0 id 0 in -1 &File popup(5)\n"
                                                 "1 id 101 in 0 &Open...\\tCtrl+O\n"
                                                 "2 id 102 in 0 &Save grayed\n"
                                                 "3 id 0 in 0  separator\n"
                                                 "4 id 0 in 0 &Recent popup(1)\n"
                                                 "5 id 110 in 4 (none) checked\n"
                                                 "6 id 103 in 0 E&xit\n"
                                                 "7 id 0 in -1 &Help popup(1) right\n"
                                                 "8 id 104 in 7 &About && credits...\n"},
                                         TreeRow{2, true,
                                                 "0 id 200 in -1 &View popup(3)\n"
                                                 "1 id 201 in 0 &Zoom\n"
                                                 "2 id 0 in 0  separator\n"
                                                 "3 id 202 in 0 &Status bar checked\n"}));

TEST(MenuTemplate, LevelsAndPopupsAbove)
{
    const ResourceFile file = ReadResourceFile(LayoutResBytes());
    const MenuTemplate m = ParseMenuTemplate(FindResource(file, RT_MENU_TYPE, ResId::of(1)));
    EXPECT_EQ(m.bar, (std::vector<std::size_t>{0, 7}));
    EXPECT_EQ(m.levelOf(m.items[5]), (std::vector<std::size_t>{5}));
    EXPECT_EQ(m.levelOf(m.items[6]), (std::vector<std::size_t>{1, 2, 3, 4, 6}));
    EXPECT_EQ(&m.levelOf(m.items[7]), &m.bar);

    const auto chain = m.popupsAbove(m.items[5]);
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[0]->text, u"&File");
    EXPECT_EQ(chain[1]->text, u"&Recent");
    EXPECT_TRUE(m.popupsAbove(m.items[0]).empty());
}

// The tokens of a menu name their items by id and position, as the template holds them.
TEST(MenuTemplate, TokensMapToTheirItems)
{
    const ResourceFile file = ReadResourceFile(LayoutResBytes());
    for (int name : {1, 2}) {
        const Resource &r = FindResource(file, RT_MENU_TYPE, ResId::of(static_cast<std::uint16_t>(name)));
        const MenuTemplate m = ParseMenuTemplate(r);
        const auto tokens = ResourceTokens(r);
        std::size_t withText = 0;
        for (const MenuItem &item : m.items)
            withText += !item.text.empty();
        EXPECT_EQ(tokens.size(), withText);
        for (const ResourceToken &t : tokens) {
            const MenuItem *item = m.itemForToken(static_cast<std::uint32_t>(std::stoul(t.item)), std::stoul(t.position));
            ASSERT_NE(item, nullptr) << t.item << "|" << t.position;
            EXPECT_EQ(EscapeText(item->text), t.text);
            EXPECT_EQ(item->parent, t.popup);
        }
        EXPECT_EQ(m.itemForToken(12345, 1), nullptr);
        EXPECT_EQ(m.itemForToken(0, 999), nullptr);
    }
}

TEST(MenuTemplate, UnknownVersionAndDeepNestingAreRefused)
{
    const std::uint8_t version[] = {7, 0, 0, 0};
    EXPECT_THROW(ParseMenuTemplate(version, sizeof version, "menu 3"), ResourceError);
    // 40 popups inside each other.
    std::vector<std::uint8_t> deep = {0, 0, 0, 0};
    for (int i = 0; i < 40; ++i) {
        deep.insert(deep.end(), {0x10, 0x00, 'a', 0, 0, 0});
    }
    try {
        ParseMenuTemplate(deep.data(), deep.size(), "menu 4");
        FAIL() << "no error";
    } catch (const ResourceError &e) {
        EXPECT_NE(std::string(e.what()).find("nests too deep"), std::string::npos) << e.what();
    }
}

} // namespace
