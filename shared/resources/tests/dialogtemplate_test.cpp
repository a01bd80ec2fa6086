#include "dialogtemplate.h"
#include "dialoglayout.h"
#include "layoutres.h"
#include "restokens.h"

#include <gtest/gtest.h>

namespace {

class DialogTemplateTest : public ::testing::Test
{
protected:
    void SetUp() override { m_file = ReadResourceFile(LayoutResBytes()); }
    const Resource &dialog(const ResId &name) const { return FindResource(m_file, RT_DIALOG_TYPE, name); }

    ResourceFile m_file;
};

TEST_F(DialogTemplateTest, ClassicTemplateGivesFrameCaptionFontAndControlsInOrder)
{
    const DialogTemplate t = ParseDialogTemplate(dialog(ResId::of(200)));
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.x, 10);
    EXPECT_EQ(t.y, 20);
    EXPECT_EQ(t.cx, 240);
    EXPECT_EQ(t.cy, 120);
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.caption, u"Kinds");
    EXPECT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, u"MS Shell Dlg");

    struct Expected
    {
        long long id;
        ControlKind kind;
        int x, y, cx, cy;
        std::u16string text;
    };
    const Expected expected[] = {
        {1, ControlKind::DefaultPushButton, 180, 100, 50, 14, u"OK"},
        {2, ControlKind::PushButton, 125, 100, 50, 14, u"Cancel"},
        {1001, ControlKind::CheckBox, 10, 10, 100, 10, u"&Match case"},
        {1002, ControlKind::RadioButton, 10, 24, 40, 10, u"&Up"},
        {-1, ControlKind::GroupBox, 5, 40, 110, 40, u"Direction"},
        {-1, ControlKind::Text, 10, 54, 40, 8, u"Find &what:"},
        {1003, ControlKind::Edit, 55, 52, 50, 12, u""},
        {1004, ControlKind::ListBox, 120, 10, 60, 40, u""},
        {1005, ControlKind::ComboBox, 120, 55, 60, 60, u""},
        {1006, ControlKind::Image, 200, 10, 0, 0, u""},
        {1007, ControlKind::ProgressBar, 10, 85, 100, 8, u""},
        {1008, ControlKind::ScrollBar, 220, 40, 10, 40, u""},
        {1009, ControlKind::Text, 120, 70, 40, 8, u"Centred"},
        {1010, ControlKind::Text, 160, 70, 40, 8, u"Simple"},
        {1011, ControlKind::Text, 200, 70, 30, 8, u"Right"},
        {1012, ControlKind::PushButton, 10, 100, 50, 14, u"Push &like"},
        {1013, ControlKind::ListView, 60, 100, 60, 14, u""},
        {1014, ControlKind::Text, 120, 85, 100, 8, u"No &prefix && more"},
    };
    ASSERT_EQ(t.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        SCOPED_TRACE(i);
        const DialogControl &c = t.controls[i];
        EXPECT_EQ(c.position, i + 1);
        EXPECT_EQ(c.id, expected[i].id);
        EXPECT_EQ(KindOf(c), expected[i].kind) << KindName(KindOf(c));
        EXPECT_EQ(c.x, expected[i].x);
        EXPECT_EQ(c.y, expected[i].y);
        EXPECT_EQ(c.cx, expected[i].cx);
        EXPECT_EQ(c.cy, expected[i].cy);
        EXPECT_EQ(c.hasText() ? c.text() : std::u16string(), expected[i].text);
    }
    // Atoms and names of classes.
    EXPECT_EQ(t.controls[0].className(), u"Button");
    EXPECT_TRUE(t.controls[0].windowClass.isNumber);
    EXPECT_EQ(t.controls[6].className(), u"Edit");
    EXPECT_EQ(t.controls[10].predefinedClass(), DialogClass::Other);
    EXPECT_EQ(t.controls[10].className(), u"MSCTLS_PROGRESS32");
    // The icon's title is the ordinal of its resource.
    EXPECT_FALSE(t.controls[9].hasText());
    EXPECT_EQ(t.controls[9].title.number, 1);
}

TEST_F(DialogTemplateTest, ExtendedTemplateGivesHelpIdsWideIdsAndTheWholeFont)
{
    const DialogTemplate t = ParseDialogTemplate(dialog(Named(u"OPTIONS")));
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(t.helpId, 77u);
    EXPECT_EQ(t.exStyle, 1u);
    EXPECT_EQ(t.caption, u"Options");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 700);
    EXPECT_TRUE(t.italic);
    EXPECT_EQ(t.typeface, u"Segoe UI");
    ASSERT_EQ(t.controls.size(), 3u);
    EXPECT_EQ(t.controls[0].id, -1);
    EXPECT_EQ(t.controls[0].exStyle, 4u);
    EXPECT_EQ(t.controls[0].helpId, 12u);
    EXPECT_EQ(t.controls[1].id, 70000);
    EXPECT_EQ(KindOf(t.controls[2]), ControlKind::PushButton);
}

// DS_FIXEDSYS alone holds no font: the controls follow the caption at once.
TEST_F(DialogTemplateTest, FixedSysWithoutSetFontHoldsNoFont)
{
    const DialogTemplate t = ParseDialogTemplate(dialog(ResId::of(220)));
    EXPECT_FALSE(t.hasFont);
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ(t.controls[0].text(), u"Hello");
    const auto tokens = ResourceTokens(dialog(ResId::of(220)));
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[1].item + "|" + tokens[1].position + "=" + tokens[1].text, "1|1=Hello");
}

// Every dialog token leads to the control it was cut from, and every control
// with a text to exactly one token.
TEST_F(DialogTemplateTest, TokensMapToTheirControls)
{
    for (const Resource &r : m_file.resources) {
        if (!(r.type == ResId::of(RT_DIALOG_TYPE)))
            continue;
        const DialogTemplate t = ParseDialogTemplate(r);
        const auto tokens = ResourceTokens(r);
        std::size_t controlTokens = 0;
        for (const ResourceToken &token : tokens) {
            SCOPED_TRACE(token.name + "|" + token.item + "|" + token.position);
            const long long id = std::stoll(token.item);
            const std::size_t position = std::stoul(token.position);
            if (position == 0) {
                EXPECT_EQ(id, 0);
                EXPECT_EQ(EscapeText(t.caption), token.text);
                EXPECT_EQ(t.controlForToken(id, position), nullptr);
                continue;
            }
            const DialogControl *c = t.controlForToken(id, position);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(EscapeText(c->text()), token.text);
            ++controlTokens;
        }
        std::size_t withText = 0;
        for (const DialogControl &c : t.controls)
            withText += c.hasText() && !c.text().empty();
        EXPECT_EQ(controlTokens, withText);
    }
    // A token whose id does not match the control at its position leads nowhere.
    const DialogTemplate t = ParseDialogTemplate(dialog(ResId::of(200)));
    EXPECT_EQ(t.controlForToken(999, 1), nullptr);
    EXPECT_EQ(t.controlForToken(1, 99), nullptr);
}

TEST(DialogTemplateMalformed, CutShortSaysWhere)
{
    const std::uint8_t bytes[] = {0xC0, 0x00, 0xC8, 0x80, 0, 0, 0, 0, 2, 0};
    try {
        ParseDialogTemplate(bytes, sizeof bytes, "dialog 9");
        FAIL() << "no error";
    } catch (const ResourceError &e) {
        EXPECT_NE(std::string(e.what()).find("dialog 9: truncated data"), std::string::npos) << e.what();
    }
}

} // namespace
