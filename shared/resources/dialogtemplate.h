#pragma once

#include "resources.h"

#include <cstdint>
#include <string>
#include <vector>

// A dialog template (DLGTEMPLATE or DLGTEMPLATEEX) as Windows reads it: the
// frame, the caption, the font and the controls in template order. Positions
// and sizes are in dialog units.

// The window classes a template names by atom, and the same classes named by
// their names; every other class is Other.
enum class DialogClass : std::uint8_t
{
    Button,
    Edit,
    Static,
    ListBox,
    ScrollBar,
    ComboBox,
    Other
};

struct DialogControl
{
    // 1 for the first control: field 4 of its token.
    std::size_t position = 0;
    // Signed, as field 3 of its token: IDC_STATIC is -1 in both kinds of template.
    long long id = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    ResId windowClass; // an atom (0x80 to 0x85) or a class name
    ResId title;       // a text, or the ordinal of an icon or bitmap resource

    DialogClass predefinedClass() const;
    // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox", the name of
    // any other class, or "#N" for an unknown atom.
    std::u16string className() const;
    bool hasText() const { return !title.isNumber; }
    const std::u16string &text() const { return title.text; }
};

struct DialogTemplate
{
    bool extended = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    ResId menu;        // number 0 for none
    ResId windowClass; // number 0 for the dialog class
    std::u16string caption;
    // With DS_SETFONT only; without it Windows uses the system font.
    bool hasFont = false;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0; // extended templates only; 0 for the default
    bool italic = false;
    std::uint8_t charset = 0;
    std::u16string typeface;
    std::vector<DialogControl> controls;

    // The control whose token has these fields 3 and 4, or null (also for the
    // caption, fields 0 and 0).
    const DialogControl *controlForToken(long long id, std::size_t position) const;
};

// Throws ResourceError on malformed data; `what` names the resource in the message.
DialogTemplate ParseDialogTemplate(const std::uint8_t *data, std::size_t size, const std::string &what);
DialogTemplate ParseDialogTemplate(const Resource &resource);

namespace dialogstyle {
// Window styles
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;
// Dialog styles
constexpr std::uint32_t DS_SETFONT = 0x40;
constexpr std::uint32_t DS_MODALFRAME = 0x80;
constexpr std::uint32_t DS_CONTROL = 0x400;
// Button styles
constexpr std::uint32_t BS_TYPEMASK = 0x0F;
constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
constexpr std::uint32_t BS_CHECKBOX = 0x2;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3;
constexpr std::uint32_t BS_RADIOBUTTON = 0x4;
constexpr std::uint32_t BS_3STATE = 0x5;
constexpr std::uint32_t BS_AUTO3STATE = 0x6;
constexpr std::uint32_t BS_GROUPBOX = 0x7;
constexpr std::uint32_t BS_USERBUTTON = 0x8;
constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9;
constexpr std::uint32_t BS_PUSHBOX = 0xA;
constexpr std::uint32_t BS_OWNERDRAW = 0xB;
constexpr std::uint32_t BS_SPLITBUTTON = 0xC;
constexpr std::uint32_t BS_DEFSPLITBUTTON = 0xD;
constexpr std::uint32_t BS_COMMANDLINK = 0xE;
constexpr std::uint32_t BS_DEFCOMMANDLINK = 0xF;
constexpr std::uint32_t BS_LEFTTEXT = 0x20;
constexpr std::uint32_t BS_ICON = 0x40;
constexpr std::uint32_t BS_BITMAP = 0x80;
constexpr std::uint32_t BS_HORZMASK = 0x300; // BS_LEFT 0x100, BS_RIGHT 0x200, BS_CENTER 0x300
constexpr std::uint32_t BS_PUSHLIKE = 0x1000;
constexpr std::uint32_t BS_MULTILINE = 0x2000;
// Static styles
constexpr std::uint32_t SS_TYPEMASK = 0x1F;
constexpr std::uint32_t SS_LEFT = 0x0;
constexpr std::uint32_t SS_CENTER = 0x1;
constexpr std::uint32_t SS_RIGHT = 0x2;
constexpr std::uint32_t SS_ICON = 0x3;
constexpr std::uint32_t SS_BLACKRECT = 0x4;
constexpr std::uint32_t SS_WHITEFRAME = 0x9;
constexpr std::uint32_t SS_SIMPLE = 0xB;
constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0xC;
constexpr std::uint32_t SS_OWNERDRAW = 0xD;
constexpr std::uint32_t SS_BITMAP = 0xE;
constexpr std::uint32_t SS_ENHMETAFILE = 0xF;
constexpr std::uint32_t SS_ETCHEDHORZ = 0x10;
constexpr std::uint32_t SS_ETCHEDVERT = 0x11;
constexpr std::uint32_t SS_ETCHEDFRAME = 0x12;
constexpr std::uint32_t SS_NOPREFIX = 0x80;
constexpr std::uint32_t SS_CENTERIMAGE = 0x200;
constexpr std::uint32_t SS_SUNKEN = 0x1000;
// Edit styles
constexpr std::uint32_t ES_CENTER = 0x1;
constexpr std::uint32_t ES_RIGHT = 0x2;
constexpr std::uint32_t ES_MULTILINE = 0x4;
constexpr std::uint32_t ES_PASSWORD = 0x20;
constexpr std::uint32_t ES_READONLY = 0x800;
// Combo box styles
constexpr std::uint32_t CBS_TYPEMASK = 0x3;
constexpr std::uint32_t CBS_SIMPLE = 0x1;
constexpr std::uint32_t CBS_DROPDOWN = 0x2;
constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;
// Scroll bar styles
constexpr std::uint32_t SBS_VERT = 0x1;
} // namespace dialogstyle
