#include "preview/resourcepreview.h"

#include "codepage.h"
#include "projectfiles.h"
#include "sourceresources.h"
#include "testfiles.h"
#include "tokenio.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

// Every character 6 pixels wide, lines 13 high: base units 6 and 13.
class FixedMetrics : public TextMetrics
{
public:
    int width(std::u16string_view text) const override { return static_cast<int>(text.size()) * 6; }
    int height() const override { return 13; }
};

std::vector<std::uint8_t> LayoutRes()
{
    std::ifstream in(LAYOUT_RES, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TokenTable Table(const std::string &text)
{
    TokenTable table;
    EXPECT_EQ(LoadTokens(text, table), TokenLoadStatus::Ok);
    return table;
}

class ResourcePreviewTest : public testing::Test
{
protected:
    SourceResources source = SourceResources::FromBytes(LayoutRes());
    FixedMetrics metrics;
};

// The "Kinds" dialog of layout.rc translated: the caption, OK, the check box, a
// static text and the group box.
const char *const kDialogTokens = "[[5|200|0|0|4|]]=Genres\n"
                                  "[[5|200|1|1|4|]]=OK\n"
                                  "[[5|200|1001|3|4|]]=&Respecter la casse\n"
                                  "[[5|200|-1|6|4|]]=&Rechercher :\n"
                                  "[[5|200|-1|5|4|]]=Direction\n"
                                  "[[5|200|1009|13|4|]]=Centr\xe9\n";

TEST_F(ResourcePreviewTest, DialogTakesTheProjectTextsAndMarksWhatDoesNotFit)
{
    ASSERT_TRUE(source.ok()) << source.problem();
    const DialogTemplate *dialog = source.dialog("200");
    ASSERT_NE(dialog, nullptr);
    TokenTable project = Table(kDialogTokens);
    ResourceRows rows;
    rows.build(project);
    ASSERT_EQ(rows.rowsOf(TokenType::Dialog, "200").size(), 6u);
    PreviewTexts texts(project, CodePage::windows1252());

    // Row 3 is the check box (100 × 10 units = 150 × 16 pixels, 20 of them for the box).
    const DialogView view = LayOutDialogView(*dialog, project, rows.rowsOf(TokenType::Dialog, "200"), texts, 3, metrics);
    EXPECT_EQ(view.units.x, 6);
    EXPECT_EQ(view.units.y, 13);
    EXPECT_EQ(view.client.width, 360); // 240 units
    EXPECT_EQ(view.client.height, 195); // 120 units
    EXPECT_EQ(view.caption, u"Genres");
    EXPECT_EQ(view.captionRow, 1u);
    ASSERT_EQ(view.controls.size(), dialog->controls.size());
    ASSERT_EQ(view.selected, 2);
    const ControlView &check = view.controls[2];
    EXPECT_TRUE(check.selected);
    EXPECT_EQ(check.kind, ControlKind::CheckBox);
    EXPECT_EQ(check.text, u"&Respecter la casse");
    EXPECT_EQ(check.row, 3u);
    // "Respecter la casse" is 18 characters, 108 pixels: it fits its 130.
    ASSERT_TRUE(check.fit);
    EXPECT_TRUE(check.fit->fits);
    // "Rechercher :" is 72 pixels in a 60-pixel static text: it wraps to two
    // lines in a control one line high.
    const ControlView &label = view.controls[5];
    EXPECT_EQ(label.text, u"&Rechercher :");
    EXPECT_TRUE(label.overflows());
    EXPECT_EQ(view.overflowing(), std::vector<std::size_t>{6});
    // Controls without a token show the template's text; kinds follow the class.
    EXPECT_EQ(view.controls[1].text, u"Cancel");
    EXPECT_EQ(view.controls[1].row, 0u);
    EXPECT_EQ(view.controls[0].kind, ControlKind::DefaultPushButton);
    EXPECT_EQ(view.controls[6].kind, ControlKind::Edit);
    EXPECT_FALSE(view.controls[6].fit); // what an edit box holds is not measured
}

TEST_F(ResourcePreviewTest, TypedTextIsShownBeforeItIsStored)
{
    const DialogTemplate *dialog = source.dialog("200");
    ASSERT_NE(dialog, nullptr);
    TokenTable project = Table(kDialogTokens);
    ResourceRows rows;
    rows.build(project);
    PreviewTexts texts(project, CodePage::windows1252());
    // OK is 50 × 14 units (75 × 23 pixels): "Valider et fermer" (17 characters, 102
    // pixels) does not fit, escapes resolved.
    texts.setPending(2, u"Valider et fermer");
    DialogView view = LayOutDialogView(*dialog, project, rows.rowsOf(TokenType::Dialog, "200"), texts, 2, metrics);
    EXPECT_TRUE(view.controls[0].pending);
    EXPECT_EQ(view.controls[0].text, u"Valider et fermer");
    EXPECT_TRUE(view.controls[0].overflows());
    EXPECT_EQ(project.cell(2, ColText), "OK"); // nothing stored

    texts.setPending(2, u"D'accord");
    view = LayOutDialogView(*dialog, project, rows.rowsOf(TokenType::Dialog, "200"), texts, 2, metrics);
    EXPECT_FALSE(view.controls[0].overflows());

    texts.setPending(0, {});
    view = LayOutDialogView(*dialog, project, rows.rowsOf(TokenType::Dialog, "200"), texts, 2, metrics);
    EXPECT_FALSE(view.controls[0].pending);
    EXPECT_EQ(view.controls[0].text, u"OK");
}

TEST_F(ResourcePreviewTest, MenuOpensThePopupsDownToTheSelectedItemAndMarksSharedKeys)
{
    const MenuTemplate *menu = source.menu("1");
    ASSERT_NE(menu, nullptr);
    // File (0), Open (1), Save (2), separator (3), Recent (4), (none) (5), Exit (6), Help (7), About (8).
    TokenTable project = Table("[[4|1|0|0|4|]]=&Fichier\n"
                               "[[4|1|101|1|4|]]=&Ouvrir...\\tCtrl+O\n"
                               "[[4|1|102|2|4|]]=&Enregistrer\n"
                               "[[4|1|0|4|4|]]=Fichiers &r\xe9" "cents\n"
                               "[[4|1|110|5|4|]]=(aucun)\n"
                               "[[4|1|103|6|4|]]=&Quitter\n"
                               "[[4|1|0|7|4|]]=&Aide\n");
    ResourceRows rows;
    rows.build(project);
    PreviewTexts texts(project, CodePage::windows1252());

    MenuView view = LayOutMenuView(*menu, project, rows.rowsOf(TokenType::Menu, "1"), texts, 5);
    ASSERT_EQ(view.bar.size(), 2u);
    EXPECT_EQ(view.bar[0].text, u"&Fichier");
    EXPECT_TRUE(view.bar[0].open);
    EXPECT_FALSE(view.bar[1].open);
    ASSERT_EQ(view.popups.size(), 2u); // File, then Recent
    ASSERT_EQ(view.popups[0].size(), 5u);
    EXPECT_EQ(view.popups[0][0].text, u"&Ouvrir...\tCtrl+O");
    EXPECT_TRUE(view.popups[0][2].item->separator);
    EXPECT_TRUE(view.popups[0][3].open);
    ASSERT_EQ(view.popups[1].size(), 1u);
    EXPECT_TRUE(view.popups[1][0].selected);
    EXPECT_EQ(view.popups[1][0].text, u"(aucun)");
    for (const auto &level : view.popups)
        for (const MenuEntryView &e : level)
            EXPECT_FALSE(e.keyClash);

    // "&Enregistrer" typed as "&Ouvrir tout": two items of File share O.
    texts.setPending(3, u"&Ouvrir tout");
    view = LayOutMenuView(*menu, project, rows.rowsOf(TokenType::Menu, "1"), texts, 3);
    ASSERT_EQ(view.popups.size(), 1u);
    EXPECT_TRUE(view.popups[0][0].keyClash);
    EXPECT_TRUE(view.popups[0][1].keyClash);
    EXPECT_TRUE(view.popups[0][1].pending);
    EXPECT_FALSE(view.popups[0][4].keyClash); // &Quitter

    // A popup of the bar shows its own items; an item of the bar alone, none.
    view = LayOutMenuView(*menu, project, rows.rowsOf(TokenType::Menu, "1"), texts, 1);
    EXPECT_TRUE(view.bar[0].selected);
    EXPECT_EQ(view.popups.size(), 1u);
}

TEST(AccessKeys, SharedKeysOfOneLevel)
{
    struct Case
    {
        std::vector<std::u16string> texts;
        std::vector<bool> clash;
    };
    const Case cases[] = {
        {{u"&Open", u"&Save", u"E&xit"}, {false, false, false}},
        {{u"&Open", u"&ouvrir", u"E&xit"}, {true, true, false}}, // case folded
        {{u"&&Open", u"&Ouvrir"}, {false, false}},               // "&&" marks nothing
        {{u"Drag & Drop", u"& Drop"}, {false, false}},           // "&" before a blank marks nothing
        {{u"\u00C9&t\u00E9", u"&Tout", u"&\u00C9t\u00E9", u"\u00E9&crire"}, {true, true, false, false}},
    };
    for (const Case &c : cases) {
        std::vector<MenuEntryView> level(c.texts.size());
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            level[i].accessKey = AccessKeyOf(c.texts[i]);
        MarkKeyClashes(level);
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(level[i].keyClash, c.clash[i]) << i;
    }
}

TEST_F(ResourcePreviewTest, ScenePlanSaysWhyThereIsNothingToDraw)
{
    TokenTable project = Table("[[5|200|1|1|4|]]=OK\n"
                               "[[5|999|1|1|4|]]=OK\n"
                               "[[5|200|77|1|4|]]=OK\n"
                               "[[6|1|5|5|4|]]=Pr\xeat\n"
                               "[[6|9|130|2|4|]]=x\n"
                               "[[4|1|101|1|4|]]=&Ouvrir\n"
                               "[[4|1|101|2|4|]]=&Ouvrir\n"
                               "[[9|1|1|1|4|]]=x\n");
    PreviewTexts texts(project, CodePage::windows1252());
    struct Case
    {
        std::size_t row;
        PreviewScene::Kind kind;
        const char *message;
    };
    const Case cases[] = {
        {1, PreviewScene::Kind::Dialog, ""},
        {2, PreviewScene::Kind::Message, "No preview: the source file holds no dialog 999."},
        {3, PreviewScene::Kind::Message, "No preview: dialog 200 of the source file has no such control."},
        {4, PreviewScene::Kind::Text, ""},
        {5, PreviewScene::Kind::Message, "No preview: the source file holds no string table block 9."},
        {6, PreviewScene::Kind::Menu, ""},
        {7, PreviewScene::Kind::Message, "No preview: menu 1 of the source file has no such item."},
        {8, PreviewScene::Kind::Message, "No preview for a token of this type."},
        {0, PreviewScene::Kind::None, ""},
    };
    for (const Case &c : cases) {
        const PreviewScene scene = ScenePlan(source, project, c.row, texts);
        EXPECT_EQ(scene.kind, c.kind) << c.row;
        EXPECT_EQ(scene.message, c.message) << c.row;
    }
    EXPECT_EQ(ScenePlan(source, project, 4, texts).text, u"Pr\u00eat");

    const SourceResources missing = SourceResources::Read("/nonexistent/source.dll");
    EXPECT_EQ(ScenePlan(missing, project, 1, texts).message, "No preview: the source file is missing.");
    const SourceResources garbage = SourceResources::FromBytes({'n', 'o', 't', ' ', 'P', 'E'});
    const PreviewScene scene = ScenePlan(garbage, project, 1, texts);
    EXPECT_EQ(scene.kind, PreviewScene::Kind::Message);
    EXPECT_EQ(scene.message.rfind("No preview: the source file is neither a PE image nor a .res file", 0), 0u)
        << scene.message;
}

TEST_F(ResourcePreviewTest, PlaceNamesMenuItemsByTheirPath)
{
    TokenTable project = Table("[[4|1|101|1|4|]]=&Ouvrir...\\tCtrl+O\n"
                               "[[4|1|110|5|4|]]=(aucun)\n"
                               "[[5|200|1001|3|4|]]=x\n"
                               "[[5|200|x|3|4|]]=x\n");
    EXPECT_EQ(DescribePlace(&source, project, 1, CodePage::windows1252()), u"Menu 1: File \u25B8 Open...");
    EXPECT_EQ(DescribePlace(&source, project, 2, CodePage::windows1252()),
              u"Menu 1: File \u25B8 Recent \u25B8 (none)");
    EXPECT_EQ(DescribePlace(nullptr, project, 1, CodePage::windows1252()), u"Menu 1, item 101 at position 1");
    EXPECT_EQ(DescribePlace(&source, project, 3, CodePage::windows1252()), u"Dialog 200, control 1001 (3rd)");
    EXPECT_EQ(DescribePlace(&source, project, 4, CodePage::windows1252()), u"Fields: 5 | 200 | x | 3 | (none)");
    EXPECT_EQ(DescribePlace(&source, project, 9, CodePage::windows1252()), u"");
}

TEST(SourceFileOf, LineOneMadeAbsoluteAndLineThreeChoosesTheLanguage)
{
    TempDir dir;
    CurrentDirGuard guard;
    std::filesystem::current_path(dir.path());
    WriteFile(dir.file("demo.mpj"), "demo.dll\ndemo.tok\n" + SourceLanguageLineText(12, 1) + "\n");
    SourceFileRequest request = SourceFileOf("demo.mpj");
    EXPECT_EQ(request.path, (std::filesystem::current_path() / "demo.dll").string());
    EXPECT_FALSE(request.preferred.empty());
    EXPECT_EQ(request.preferred.front(), 1036);

    WriteFile(dir.file("bare.mpj"), "/abs/src.dll\nsrc.tok\n");
    request = SourceFileOf("bare.mpj");
    EXPECT_EQ(request.path, "/abs/src.dll");
    EXPECT_TRUE(request.preferred.empty());
    EXPECT_TRUE(SourceFileOf("none.mpj").path.empty());
}

} // namespace
