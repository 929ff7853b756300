// A drawing surface that draws nothing: what stands for a window that is not on the screen yet.
#pragma once

#include "platform/drawing/DrawingSurface.h"

class DiscardingSurface : public DrawingSurface {
public:
    void drawText(int, int, std::string_view) override {}
    void selectPen(TColor) override {}
    void moveTo(int, int) override {}
    void lineTo(int, int) override {}
};
