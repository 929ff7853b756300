// Drawing straight onto the panel's client area, for the span of one operation. Nothing drawn is kept
// for repainting.
#pragma once

#include "platform/drawing/TColor.h"

#include <string_view>

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Black text on an opaque white background, its top-left corner at (x, y), in the default GUI font.
    virtual void drawText(int x, int y, std::string_view text) = 0;
    // A solid pen one pixel wide; later lines use it until another is selected.
    virtual void selectPen(TColor colour) = 0;
    virtual void moveTo(int x, int y) = 0;
    // Paints from the current position to (x, y), the start point included and the end point excluded;
    // the current position becomes (x, y).
    virtual void lineTo(int x, int y) = 0;
};
