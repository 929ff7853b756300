// The drawing surface over a wxClientDC on a window's client area, drawn by the system's own GDI: a pen
// line leaves out its end point and text is painted opaque, as the panel's pictures need.
#pragma once

#include "platform/drawing/DrawingSurface.h"

#include <wx/dcclient.h>
#include <wx/pen.h>

#include <map>
#include <tuple>

class ClientDCSurface : public DrawingSurface {
public:
    explicit ClientDCSurface(wxWindow* window);

    void drawText(int x, int y, std::string_view text) override;
    void selectPen(TColor colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    wxClientDC dc_;
    wxPoint position_{0, 0};
    // One pen a colour for the life of the surface: a trace selects two colours 1998 times.
    std::map<std::tuple<int, int, int>, wxPen> pens_;
};
