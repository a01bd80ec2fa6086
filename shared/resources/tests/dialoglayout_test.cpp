#include "dialoglayout.h"
#include "layoutres.h"

#include <gtest/gtest.h>

namespace {

// Every character 6 pixels wide but "W" (10) and "i" (2); lines 13 pixels high.
class FixedMetrics : public TextMetrics
{
public:
    int width(std::u16string_view text) const override
    {
        int w = 0;
        for (char16_t c : text)
            w += c == u'W' ? 10 : c == u'i' ? 2 : 6;
        return w;
    }
    int height() const override { return 13; }
};

TEST(DialogLayout, MulDivRoundsHalfAwayFromZero)
{
    struct Row
    {
        int a, b, c, expected;
    };
    const Row rows[] = {
        {14, 13, 8, 23},  // 22.75
        {8, 13, 8, 13},   // exact
        {10, 6, 4, 15},   // exact
        {5, 6, 4, 8},     // 7.5 goes up
        {-5, 6, 4, -8},   // -7.5 goes down
        {5, -6, 4, -8},   //
        {5, 6, -4, -8},   // the divisor's sign too
        {3, 3, 0, -1},    // no divisor
        {2147483647, 2, 1, -1}, // beyond 32 bits
    };
    for (const Row &r : rows)
        EXPECT_EQ(MulDiv(r.a, r.b, r.c), r.expected) << r.a << " " << r.b << " " << r.c;
}

TEST(DialogLayout, BaseUnitsAndPixels)
{
    const FixedMetrics metrics;
    // 50 letters of 6 and "W" 10 and "i" 2: 312 wide; (312 / 26 + 1) / 2 = 6.
    const DialogBaseUnits units = DialogBaseUnits::of(metrics);
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 13);
    // x and cx by 6 / 4, y and cy by 13 / 8, each on its own.
    EXPECT_EQ(DialogUnitsToPixels(units, 10, 20, 50, 14), (PixelRect{15, 33, 75, 23}));
    EXPECT_EQ(DialogUnitsToPixels(units, 7, 7, 40, 8), (PixelRect{11, 11, 60, 13}));
    // Tahoma 8 at 96 dots per inch has base units 6 and 13 on Windows.
    EXPECT_EQ(DialogUnitsToPixels({6, 13}, 180, 100, 50, 14), (PixelRect{270, 163, 75, 23}));
    EXPECT_EQ(FontPixelSize(8), 11);
    EXPECT_EQ(FontPixelSize(9), 12);
    EXPECT_EQ(FontPixelSize(8, 120), 13);
}

TEST(DialogLayout, VisibleTextAndLineWidth)
{
    const FixedMetrics m;
    EXPECT_EQ(VisibleText(u"&Open && close&", true), u"Open & close");
    EXPECT_EQ(VisibleText(u"&Open", false), u"&Open");
    EXPECT_EQ(LineWidth(u"&ab", true, m, 6), 12);
    EXPECT_EQ(LineWidth(u"&ab", false, m, 6), 18);
    // Tabs stop every 8 average characters (48 pixels here).
    EXPECT_EQ(LineWidth(u"ab\tc", true, m, 6), 54);
    EXPECT_EQ(LineWidth(u"abcdefgh\tc", true, m, 6), 102);
}

DialogControl control(std::uint16_t atom, std::uint32_t style, int cx, int cy)
{
    DialogControl c;
    c.windowClass = ResId::of(atom);
    c.style = 0x50000000u | style;
    c.cx = static_cast<std::int16_t>(cx);
    c.cy = static_cast<std::int16_t>(cy);
    return c;
}

struct FitRow
{
    const char *name;
    DialogControl control;
    std::u16string text;
    bool fits;
    std::size_t lines;
};

class FitTest : public ::testing::TestWithParam<FitRow>
{
};

// Dialog units of 6 × 13 pixels: 4 units are 6 pixels across, 8 units 13 down.
TEST_P(FitTest, TextFitsItsControlAsDrawn)
{
    const FitRow &row = GetParam();
    const auto fit = FitControlText(row.control, row.text, FixedMetrics());
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->fits, row.fits) << "width " << fit->width << " in " << fit->roomWidth << ", height " << fit->height
                                   << " in " << fit->roomHeight;
    EXPECT_EQ(fit->lines.size(), row.lines);
}

// A push button of 40 units is 60 pixels with 54 inside its edges: 9 characters.
// A check box of 40 units leaves 60 - 17 = 43 pixels: 7 characters. A group box
// of 40 units leaves 60 - 14 = 46. Static text of 40 × 16 units is 60 × 26
// pixels: two lines of 10 characters, blanks included.
INSTANTIATE_TEST_SUITE_P(
    Controls, FitTest,
    ::testing::Values(
        FitRow{"ButtonFits", control(0x80, 0x0, 40, 14), u"&Abcdefghj", true, 1},
        FitRow{"ButtonTooWide", control(0x80, 0x0, 40, 14), u"Abcdefghjk", false, 1},
        FitRow{"ButtonKeepsOneLine", control(0x80, 0x1, 40, 14), u"Ab cd ef gh jk", false, 1},
        FitRow{"MultilineButtonWraps", control(0x80, 0x2000, 40, 30), u"Ab cd ef gh jk", true, 2},
        FitRow{"CheckBoxFits", control(0x80, 0x3, 40, 10), u"Abcdefg", true, 1},
        FitRow{"CheckBoxTooWide", control(0x80, 0x3, 40, 10), u"Abcdefgh", false, 1},
        FitRow{"RadioTextOnTheLeftToo", control(0x80, 0x9 | 0x20, 40, 10), u"Abcdefgh", false, 1},
        FitRow{"PushLikeCheckBoxIsAButton", control(0x80, 0x3 | 0x1000, 40, 14), u"Abcdefgh", true, 1},
        FitRow{"GroupBoxCaption", control(0x80, 0x7, 40, 40), u"Abcdefgh", false, 1},
        FitRow{"GroupBoxCaptionFits", control(0x80, 0x7, 40, 40), u"Abcdefg", true, 1},
        FitRow{"StaticWrapsIntoTwoLines", control(0x82, 0x0, 40, 16), u"Abcd efgh jklm npqr", true, 2},
        FitRow{"StaticThirdLineIsCut", control(0x82, 0x0, 40, 16), u"Abcd efgh jklm npqr s", false, 3},
        FitRow{"StaticWordTooLongIsNotBroken", control(0x82, 0x0, 40, 16), u"Abcdefghijk", false, 1},
        FitRow{"StaticLineEnds", control(0x82, 0x0, 40, 16), u"Ab\ncd\nef", false, 3},
        FitRow{"CenteredStaticWraps", control(0x82, 0x1, 40, 16), u"Abcd efgh jklm", true, 2},
        FitRow{"LeftNoWordWrapDoesNotWrap", control(0x82, 0xC, 40, 16), u"Abcde fghij klmno", false, 1},
        FitRow{"SimpleIgnoresLineEnds", control(0x82, 0xB, 40, 8), u"Abc\ndefg", true, 1},
        FitRow{"NoPrefixCountsAmpersands", control(0x82, 0xC | 0x80, 40, 8), u"&&&&&&&&&&", true, 1},
        FitRow{"NoPrefixAmpersandsTooWide", control(0x82, 0xC | 0x80, 40, 8), u"&&&&&&&&&&&", false, 1},
        FitRow{"PrefixAmpersandsAreMarkers", control(0x82, 0xC, 40, 8), u"&&&&&&&&&&&&&&&&&&&&", true, 1}),
    [](const ::testing::TestParamInfo<FitRow> &info) { return std::string(info.param.name); });

TEST(DialogLayout, KindsWithoutALabelAreNotMeasured)
{
    EXPECT_FALSE(FitControlText(control(0x81, 0x0, 40, 12), u"text", FixedMetrics()).has_value());
    EXPECT_FALSE(FitControlText(control(0x83, 0x0, 40, 12), u"text", FixedMetrics()).has_value());
    DialogControl custom = control(0x80, 0, 40, 12);
    custom.windowClass = Named(u"MyOwnClass");
    EXPECT_EQ(KindOf(custom), ControlKind::Custom);
    EXPECT_FALSE(FitControlText(custom, u"text", FixedMetrics()).has_value());
}

TEST(DialogLayout, AThirtyThousandCharacterTextIsLaidOutQuickly)
{
    std::u16string text;
    for (int i = 0; i < 6000; ++i)
        text += u"word ";
    const auto fit = FitControlText(control(0x82, 0x0, 100, 8), text, FixedMetrics());
    ASSERT_TRUE(fit.has_value());
    EXPECT_FALSE(fit->fits);
    EXPECT_GT(fit->lines.size(), 1000u);
}

} // namespace
