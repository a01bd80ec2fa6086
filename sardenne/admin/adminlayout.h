#pragma once

#include "twipsrect.h"

// Placement of the administrator window's lower part, in twips.
struct AdminLayout
{
    TwipsRect frmInfo{3645, 1740, 2820, 2790};
    TwipsRect lvLang{90, 1755, 3435, 2820};
    TwipsRect txtOutput{120, 4725, 6300, 1680};
};

constexpr float kAdminDesignWidth = 8505;
constexpr float kAdminDesignHeight = 6510;

// The frame sticks to the right edge, the list fills the width to its left and
// the output pane takes the rest below. Negative sizes are clamped at zero.
// Nothing moves while the window is minimised.
void ResizeAdminLayout(AdminLayout &layout, float sw, float sh, bool minimised);
