#include "dialogtemplate.h"
#include "reswriter.h"
#include "restokens.h"
#include "tokenkey.h"

#include <gtest/gtest.h>

namespace {

// A classic template with DS_FIXEDSYS but not DS_SETFONT holds no font: its
// controls follow the caption, and a rewrite must read it that way too.
TEST(RewriteDialog, FixedSysWithoutSetFont)
{
    std::vector<std::uint8_t> b;
    auto u16 = [&](unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto u32 = [&](unsigned v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto sz = [&](const std::u16string &s) {
        for (char16_t c : s)
            u16(c);
        u16(0);
    };
    u32(0x80C00008); // WS_POPUP | WS_CAPTION | DS_FIXEDSYS
    u32(0);
    u16(1);
    u16(0), u16(0), u16(100), u16(50);
    u16(0), u16(0); // no menu, the dialog class
    sz(u"Fixed");
    while (b.size() % 4)
        b.push_back(0);
    u32(0x50020000), u32(0);
    u16(10), u16(10), u16(50), u16(8);
    u16(1);
    u16(0xFFFF), u16(0x82);
    sz(u"Hello");
    u16(0);

    Resource r;
    r.type = ResId::of(RT_DIALOG_TYPE);
    r.name = ResId::of(220);
    r.data = b;
    const auto tokens = ResourceTokens(r);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[1].key(), "5|220|1|1|");

    const std::string hello = "Bonjour";
    const std::string fixed = "Fixe";
    // The keys the rewrite asks for, in the form of a token table's keys.
    const std::string helloKey = KeyText("5", "220", "1", "1", "");
    const std::string captionKey = KeyText("5", "220", "0", "0", "");
    Resource rewritten = r;
    rewritten.data = RewriteResource(r, [&](const std::string &key) -> const std::string * {
        return key == helloKey ? &hello : key == captionKey ? &fixed : nullptr;
    });
    const DialogTemplate t = ParseDialogTemplate(rewritten);
    EXPECT_FALSE(t.hasFont);
    EXPECT_EQ(t.caption, u"Fixe");
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ(t.controls[0].text(), u"Bonjour");
    EXPECT_EQ(t.controls[0].cx, 50);
}

} // namespace
