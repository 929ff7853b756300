// Hands out client-area surfaces of one window, drawn straight on the window as the system shows it.
#pragma once

#include "platform/drawing/DrawingTarget.h"

#include <memory>

class wxWindow;

class ClientDCTarget : public DrawingTarget {
public:
    explicit ClientDCTarget(wxWindow* window) : window_(window) {}

    // A surface on the window's client area once the window is on the screen; before that, one that draws
    // nothing, since there is nothing of the window to draw on yet and what it drew would be lost.
    std::unique_ptr<DrawingSurface> createSurface() override;

private:
    wxWindow* window_;
};
