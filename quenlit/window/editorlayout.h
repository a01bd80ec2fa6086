#pragma once

#include "twipsrect.h"

// Placement of the editor window's elements in twips, and the rule by which they
// follow the size of the client area.

struct EditorLayout
{
    TwipsRect tvTyp{60, 1500, 1590, 2385};
    TwipsRect lvTok{1785, 1485, 3345, 2430};
    TwipsRect frmPropPrj{105, 15, 8430, 1365};
    TwipsRect progress{90, 1005, 8280, 315};
    TwipsRect txtOrgTok{1815, 285, 4695, 300};
    TwipsRect txtTransTok{1815, 675, 4695, 300};
    // These keep their place in the frame whatever its size.
    TwipsRect chkRO{3300, 1020, 1230, 285};
    TwipsRect chkTrans{1815, 1020, 1455, 285};
    TwipsRect lbOrgTok{120, 300, 1665, 285};
    TwipsRect lbTransTok{120, 690, 1665, 240};
};

// The widths the list's columns start with.
constexpr float kTokenColumnWidth = 5000;
constexpr float kStatusColumnWidth = 2000;
constexpr float kTypeColumnWidth = 1440;
constexpr float kCheckColumnWidth = 2000;
constexpr float kOriginalColumnWidth = 5000;

constexpr float kEditorDesignWidth = 8670;
constexpr float kEditorDesignHeight = 5925;

// Applies the six resize steps in order for a client area of sw x sh twips. A
// step whose width or height would be negative is skipped and its element keeps
// its previous placement; the other steps still run.
void ResizeEditorLayout(EditorLayout &layout, float sw, float sh);

// The checks' line of the pane: right of the two check boxes, to the frame's right edge.
TwipsRect CheckPaneLine(const EditorLayout &layout);
