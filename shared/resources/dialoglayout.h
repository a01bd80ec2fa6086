#pragma once

#include "dialogtemplate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How Windows lays a dialog out: dialog units to pixels through the base units
// of the dialog's font, what kind of control each template entry is, where a
// control puts its text and whether that text fits. Text is measured through
// TextMetrics, which the window layer answers with the font it draws with.

// Measures single lines of text in the dialog's font, in pixels.
class TextMetrics
{
public:
    virtual ~TextMetrics() = default;
    // The width of one line as drawn (no access-key markers, no tabs).
    virtual int width(std::u16string_view text) const = 0;
    // The height of a line: the font's ascent plus descent (tmHeight).
    virtual int height() const = 0;
};

// The 52 letters whose average width gives the horizontal base unit.
inline constexpr std::u16string_view kBaseUnitAlphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct DialogBaseUnits
{
    int x = 0; // average character width, pixels
    int y = 0; // character height, pixels

    // As Windows computes them for a dialog font: (width of the 52 letters / 26
    // + 1) / 2, and the font's height.
    static DialogBaseUnits of(const TextMetrics &metrics);
};

struct PixelRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect &o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// a * b / c rounded half away from zero, as Windows' MulDiv: -1 for c == 0
// and for a result beyond 32 bits.
int MulDiv(int a, int b, int c);

// Each coordinate converted on its own, as Windows creates a dialog's controls.
PixelRect DialogUnitsToPixels(const DialogBaseUnits &units, int x, int y, int cx, int cy);

// The font size in pixels (the character height, without internal leading) of a
// dialog font of this point size on a 96 dots-per-inch screen.
int FontPixelSize(int pointSize, int dpi = 96);

enum class ControlKind
{
    PushButton,
    DefaultPushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Text,      // static text
    Image,     // static icon, bitmap or metafile
    Rectangle, // static rectangle, frame or etched line
    Edit,
    ListBox,
    ComboBox,
    ScrollBar,
    ProgressBar,
    ListView, // the list and tree views of the common controls
    Tab,
    Custom, // any other class, and owner-drawn controls
};

ControlKind KindOf(const DialogControl &control);
// "button", "check box", "radio button", "group box", "static text", ...
const char *KindName(ControlKind kind);

// How a control lays out its text.
enum class TextFlow
{
    None,    // not a text the control shows as a label (edit contents, lists)
    Single,  // one line; line ends are not honoured
    Lines,   // broken at line ends only
    Wrapped, // broken at line ends and between words
};

enum class TextAlign
{
    Left,
    Center,
    Right
};

// Where a control draws its text: the room (in the control's pixels), the flow,
// the alignment, and whether "&" marks access keys.
struct TextRoom
{
    PixelRect rect;
    TextFlow flow = TextFlow::None;
    TextAlign align = TextAlign::Left;
    bool verticalCenter = false;
    bool accessKeys = true;
};

// The room of a control of this kind at `rect` (pixels).
TextRoom TextRoomOf(const DialogControl &control, const PixelRect &rect);

struct TextLine
{
    std::u16string text; // with its access-key markers
    int width = 0;       // as drawn
};

// A text laid out in its room, and whether it fits there: no line wider than
// the room and, for texts of several lines, no more lines than its height holds.
struct TextFit
{
    std::vector<TextLine> lines;
    int width = 0;  // widest line
    int height = 0; // lines × line height
    int roomWidth = 0;
    int roomHeight = 0;
    bool fits = true;
};

// The text as drawn: access-key markers dropped ("&&" is one "&") when `accessKeys`.
std::u16string VisibleText(std::u16string_view text, bool accessKeys);

// The width of one line with tabs expanded to stops every 8 average characters.
int LineWidth(std::u16string_view line, bool accessKeys, const TextMetrics &metrics, int averageCharWidth);

// Lays a text out in a room as the control draws it (lines broken between words
// where the flow wraps; a word wider than the room is not broken, it overflows).
// Nothing for TextFlow::None.
std::optional<TextFit> LayOutText(std::u16string_view text, const TextRoom &room, const TextMetrics &metrics,
                                  int averageCharWidth);

// All of it for one control of a dialog: the control's pixels from the base
// units, its room, and the layout of `text` there.
std::optional<TextFit> FitControlText(const DialogControl &control, std::u16string_view text,
                                      const TextMetrics &metrics, const DialogBaseUnits &units);
std::optional<TextFit> FitControlText(const DialogControl &control, std::u16string_view text,
                                      const TextMetrics &metrics);
