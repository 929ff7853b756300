// The drawing surface straight on a window's client area, as the X11 backend draws it.
#pragma once

#include "platform/drawing/linux/DCSurface.h"

#include <wx/dcclient.h>

class ClientDCSurface : public DCSurface {
public:
    explicit ClientDCSurface(wxWindow* window) : DCSurface(std::make_unique<wxClientDC>(window)) {}
};
