#pragma once

// A window element's placement in twips, inside its container.
struct TwipsRect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};
