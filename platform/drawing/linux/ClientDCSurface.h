// The drawing surface over a wxClientDC on a window's client area.
#pragma once

#include "platform/drawing/DrawingSurface.h"
#include "platform/drawing/linux/RenderedTextCache.h"

#include <wx/brush.h>
#include <wx/dcclient.h>

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
    void paintPixels(const wxRect& pixels);
    wxBrush penBrush(TColor colour);

    wxClientDC dc_;
    RenderedTextCache texts_{dc_};
    wxPoint position_{0, 0};
    wxBrush pen_;
    // One pen a colour for the life of the surface: a trace selects two colours 1998 times.
    std::map<std::tuple<int, int, int>, wxBrush> pens_;
};
