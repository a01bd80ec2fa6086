#include "dialoglayout.h"

#include <algorithm>

using namespace dialogstyle;

namespace {

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool startsWithIgnoringCase(const std::u16string &text, std::u16string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

bool equalsIgnoringCase(const std::u16string &text, std::u16string_view other)
{
    return text.size() == other.size() && startsWithIgnoringCase(text, other);
}

ControlKind otherClassKind(const std::u16string &name)
{
    if (equalsIgnoringCase(name, u"msctls_progress32"))
        return ControlKind::ProgressBar;
    if (equalsIgnoringCase(name, u"SysListView32") || equalsIgnoringCase(name, u"SysTreeView32"))
        return ControlKind::ListView;
    if (equalsIgnoringCase(name, u"SysTabControl32"))
        return ControlKind::Tab;
    if (startsWithIgnoringCase(name, u"RichEdit"))
        return ControlKind::Edit;
    if (equalsIgnoringCase(name, u"ComboBoxEx32"))
        return ControlKind::ComboBox;
    if (equalsIgnoringCase(name, u"SysLink"))
        return ControlKind::Text;
    return ControlKind::Custom;
}

// Check boxes and radio buttons: the box, and the gap before the text.
constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxGap = 4;
// Push buttons: the edge and the focus rectangle.
constexpr int kButtonInset = 3;
// Group boxes: the caption's distance from the frame's ends.
constexpr int kGroupCaptionInset = 7;

PixelRect inset(const PixelRect &r, int dx, int dy)
{
    return {r.x + dx, r.y + dy, r.width - 2 * dx, r.height - 2 * dy};
}

TextAlign buttonAlign(std::uint32_t style, TextAlign fallback)
{
    switch (style & BS_HORZMASK) {
    case 0x100:
        return TextAlign::Left;
    case 0x200:
        return TextAlign::Right;
    case 0x300:
        return TextAlign::Center;
    default:
        return fallback;
    }
}

} // namespace

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    long long multiplicand = a;
    long long divisor = c;
    if (divisor < 0) {
        multiplicand = -multiplicand;
        divisor = -divisor;
    }
    const long long product = multiplicand * b;
    const long long result = ((multiplicand < 0) == (b < 0) || product == 0) ? (product + divisor / 2) / divisor
                                                                            : (product - divisor / 2) / divisor;
    if (result > 2147483647ll || result < -2147483647ll)
        return -1;
    return static_cast<int>(result);
}

DialogBaseUnits DialogBaseUnits::of(const TextMetrics &metrics)
{
    DialogBaseUnits units;
    units.x = (metrics.width(kBaseUnitAlphabet) / 26 + 1) / 2;
    units.y = metrics.height();
    return units;
}

PixelRect DialogUnitsToPixels(const DialogBaseUnits &units, int x, int y, int cx, int cy)
{
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4), MulDiv(cy, units.y, 8)};
}

int FontPixelSize(int pointSize, int dpi)
{
    return MulDiv(pointSize, dpi, 72);
}

ControlKind KindOf(const DialogControl &c)
{
    switch (c.predefinedClass()) {
    case DialogClass::Button:
        switch (c.style & BS_TYPEMASK) {
        case BS_DEFPUSHBUTTON:
        case BS_DEFSPLITBUTTON:
        case BS_DEFCOMMANDLINK:
            return ControlKind::DefaultPushButton;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
            return (c.style & BS_PUSHLIKE) ? ControlKind::PushButton : ControlKind::CheckBox;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return (c.style & BS_PUSHLIKE) ? ControlKind::PushButton : ControlKind::RadioButton;
        case BS_GROUPBOX:
            return ControlKind::GroupBox;
        case BS_OWNERDRAW:
            return ControlKind::Custom;
        default:
            return ControlKind::PushButton;
        }
    case DialogClass::Static:
        switch (c.style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT:
        case SS_SIMPLE:
        case SS_LEFTNOWORDWRAP:
            return ControlKind::Text;
        case SS_ICON:
        case SS_BITMAP:
        case SS_ENHMETAFILE:
            return ControlKind::Image;
        case SS_OWNERDRAW:
        case 0xA: // SS_USERITEM
            return ControlKind::Custom;
        default:
            return ControlKind::Rectangle;
        }
    case DialogClass::Edit:
        return ControlKind::Edit;
    case DialogClass::ListBox:
        return ControlKind::ListBox;
    case DialogClass::ComboBox:
        return ControlKind::ComboBox;
    case DialogClass::ScrollBar:
        return ControlKind::ScrollBar;
    case DialogClass::Other:
        break;
    }
    return c.windowClass.isNumber ? ControlKind::Custom : otherClassKind(c.windowClass.text);
}

const char *KindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
        return "button";
    case ControlKind::DefaultPushButton:
        return "default button";
    case ControlKind::CheckBox:
        return "check box";
    case ControlKind::RadioButton:
        return "radio button";
    case ControlKind::GroupBox:
        return "group box";
    case ControlKind::Text:
        return "static text";
    case ControlKind::Image:
        return "image";
    case ControlKind::Rectangle:
        return "frame";
    case ControlKind::Edit:
        return "edit box";
    case ControlKind::ListBox:
        return "list box";
    case ControlKind::ComboBox:
        return "combo box";
    case ControlKind::ScrollBar:
        return "scroll bar";
    case ControlKind::ProgressBar:
        return "progress bar";
    case ControlKind::ListView:
        return "list view";
    case ControlKind::Tab:
        return "tab control";
    case ControlKind::Custom:
        break;
    }
    return "control";
}

TextRoom TextRoomOf(const DialogControl &c, const PixelRect &rect)
{
    TextRoom room;
    room.rect = rect;
    const bool multiline = c.style & BS_MULTILINE;
    switch (KindOf(c)) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        room.rect = inset(rect, kButtonInset, kButtonInset);
        room.flow = multiline ? TextFlow::Wrapped : TextFlow::Single;
        room.align = buttonAlign(c.style, TextAlign::Center);
        room.verticalCenter = true;
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        const int box = kCheckBoxSize + kCheckBoxGap;
        room.rect = {rect.x + ((c.style & BS_LEFTTEXT) ? 0 : box), rect.y, rect.width - box, rect.height};
        room.flow = multiline ? TextFlow::Wrapped : TextFlow::Single;
        room.align = buttonAlign(c.style, TextAlign::Left);
        room.verticalCenter = true;
        break;
    }
    case ControlKind::GroupBox:
        room.rect = {rect.x + kGroupCaptionInset, rect.y, rect.width - 2 * kGroupCaptionInset, rect.height};
        room.flow = TextFlow::Single;
        break;
    case ControlKind::Text:
        if (c.predefinedClass() != DialogClass::Static) {
            room.flow = TextFlow::Wrapped;
            break;
        }
        room.accessKeys = !(c.style & SS_NOPREFIX);
        switch (c.style & SS_TYPEMASK) {
        case SS_CENTER:
            room.align = TextAlign::Center;
            room.flow = TextFlow::Wrapped;
            break;
        case SS_RIGHT:
            room.align = TextAlign::Right;
            room.flow = TextFlow::Wrapped;
            break;
        case SS_SIMPLE:
            room.flow = TextFlow::Single;
            break;
        case SS_LEFTNOWORDWRAP:
            room.flow = TextFlow::Lines;
            break;
        default:
            room.flow = TextFlow::Wrapped;
            break;
        }
        if (c.style & SS_CENTERIMAGE) {
            room.flow = TextFlow::Single;
            room.verticalCenter = true;
        }
        break;
    case ControlKind::Edit:
    case ControlKind::ComboBox:
        // What an edit box holds scrolls; it is drawn, not measured.
        room.rect = inset(rect, kButtonInset, kButtonInset);
        room.accessKeys = false;
        break;
    default:
        break;
    }
    return room;
}

std::u16string VisibleText(std::u16string_view text, bool accessKeys)
{
    if (!accessKeys)
        return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

int LineWidth(std::u16string_view line, bool accessKeys, const TextMetrics &metrics, int averageCharWidth)
{
    const int tabStop = std::max(1, 8 * averageCharWidth);
    int x = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(u'\t', start);
        const std::u16string_view piece = line.substr(start, tab == std::u16string_view::npos ? line.npos : tab - start);
        if (!piece.empty())
            x += metrics.width(VisibleText(piece, accessKeys));
        if (tab == std::u16string_view::npos)
            return x;
        x = (x / tabStop + 1) * tabStop;
        start = tab + 1;
    }
}

std::optional<TextFit> LayOutText(std::u16string_view text, const TextRoom &room, const TextMetrics &metrics,
                                  int averageCharWidth)
{
    if (room.flow == TextFlow::None)
        return std::nullopt;
    TextFit fit;
    fit.roomWidth = room.rect.width;
    fit.roomHeight = room.rect.height;
    auto width = [&](std::u16string_view line) {
        return LineWidth(line, room.accessKeys, metrics, averageCharWidth);
    };
    auto addLine = [&](std::u16string line, int w) { fit.lines.push_back({std::move(line), w}); };

    std::vector<std::u16string> paragraphs;
    if (room.flow == TextFlow::Single) {
        std::u16string line;
        for (char16_t c : text) {
            if (c != u'\r' && c != u'\n')
                line += c;
        }
        paragraphs.push_back(std::move(line));
    } else {
        std::u16string line;
        for (char16_t c : text) {
            if (c == u'\n') {
                paragraphs.push_back(std::move(line));
                line.clear();
            } else if (c != u'\r') {
                line += c;
            }
        }
        paragraphs.push_back(std::move(line));
    }

    for (std::u16string &paragraph : paragraphs) {
        if (room.flow != TextFlow::Wrapped) {
            const int w = width(paragraph);
            addLine(std::move(paragraph), w);
            continue;
        }
        // Greedy breaking between words; the blank at a break is dropped. Widths
        // add up word by word, but for lines holding a tab, measured whole.
        const bool tabs = paragraph.find(u'\t') != std::u16string::npos;
        const int blank = width(u" ");
        std::u16string line;
        int lineWidth = 0;
        bool started = false;
        std::size_t start = 0;
        for (;;) {
            const std::size_t space = paragraph.find(u' ', start);
            const std::u16string_view word = std::u16string_view(paragraph).substr(
                start, space == std::u16string::npos ? std::u16string::npos : space - start);
            const int wordWidth = tabs ? 0 : width(word);
            if (!started) {
                line.assign(word);
                lineWidth = tabs ? width(line) : wordWidth;
                started = true;
            } else {
                std::u16string candidate = line + u' ';
                candidate.append(word);
                const int candidateWidth = tabs ? width(candidate) : lineWidth + blank + wordWidth;
                if (candidateWidth <= room.rect.width) {
                    line = std::move(candidate);
                    lineWidth = candidateWidth;
                } else {
                    addLine(std::move(line), lineWidth);
                    line.assign(word);
                    lineWidth = tabs ? width(line) : wordWidth;
                }
            }
            if (space == std::u16string::npos)
                break;
            start = space + 1;
        }
        addLine(std::move(line), lineWidth);
    }

    for (const TextLine &l : fit.lines)
        fit.width = std::max(fit.width, l.width);
    const long long height = static_cast<long long>(fit.lines.size()) * metrics.height();
    fit.height = static_cast<int>(std::min<long long>(height, 0x7FFFFFFF));
    const bool wide = fit.width > fit.roomWidth;
    const bool tall = room.flow != TextFlow::Single && fit.lines.size() > 1 && fit.height > fit.roomHeight;
    fit.fits = !wide && !tall;
    return fit;
}

std::optional<TextFit> FitControlText(const DialogControl &control, std::u16string_view text,
                                      const TextMetrics &metrics, const DialogBaseUnits &units)
{
    const PixelRect rect = DialogUnitsToPixels(units, control.x, control.y, control.cx, control.cy);
    return LayOutText(text, TextRoomOf(control, rect), metrics, units.x);
}

std::optional<TextFit> FitControlText(const DialogControl &control, std::u16string_view text,
                                      const TextMetrics &metrics)
{
    return FitControlText(control, text, metrics, DialogBaseUnits::of(metrics));
}
