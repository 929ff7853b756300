// Hands out client-area surfaces of one window.
#pragma once

#include "platform/drawing/DrawingTarget.h"

#include <memory>

class wxWindow;

class ClientDCTarget : public DrawingTarget {
public:
    explicit ClientDCTarget(wxWindow* window) : window_(window) {}

    // A surface on the window's client area once the window is on the screen; before that, one that draws
    // nothing, as what it drew would be lost.
    std::unique_ptr<DrawingSurface> createSurface() override;

private:
    wxWindow* window_;
};
