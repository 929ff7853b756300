// The drawing surface over one of the toolkit's drawing contexts: a window's client area, or an image.
#pragma once

#include "platform/drawing/DrawingSurface.h"
#include "platform/drawing/linux/RenderedTextCache.h"

#include <wx/brush.h>
#include <wx/dc.h>

#include <map>
#include <memory>
#include <tuple>

class DCSurface : public DrawingSurface {
public:
    explicit DCSurface(std::unique_ptr<wxDC> dc);

    void drawText(int x, int y, std::string_view text) override;
    void selectPen(TColor colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

    // The context drawn on, with the font, colours and background mode the texts are drawn in.
    wxDC& dc() { return *dc_; }

private:
    void paintPixels(const wxRect& pixels);
    wxBrush penBrush(TColor colour);

    std::unique_ptr<wxDC> dc_;
    RenderedTextCache texts_;
    wxPoint position_{0, 0};
    wxBrush pen_;
    // One pen a colour for the life of the surface: a trace selects two colours 1998 times.
    std::map<std::tuple<int, int, int>, wxBrush> pens_;
};
