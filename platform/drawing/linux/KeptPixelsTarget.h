// Hands out surfaces whose pixels are kept and shown through the window's paint (see KeptPixels): the
// client area of a window on GTK's Wayland backend.
#pragma once

#include "platform/drawing/DrawingTarget.h"
#include "platform/drawing/linux/KeptPixels.h"

class KeptPixelsTarget : public DrawingTarget {
public:
    explicit KeptPixelsTarget(wxWindow* window) : window_(window), kept_(window) {}

    // Once the window is on the screen; before that, one that draws nothing, since its first paint would
    // erase it anyway.
    std::unique_ptr<DrawingSurface> createSurface() override;

private:
    wxWindow* window_;
    KeptPixels kept_;
};
