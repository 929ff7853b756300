// The drawing surface over a wxClientDC on a window's client area.
#pragma once

#include "platform/DrawingSurface.h"
#include "platform/RenderedTextCache.h"

#include <wx/brush.h>
#include <wx/dcclient.h>

#include <map>
#include <tuple>

class ClientDCSurface : public DrawingSurface {
public:
    // Pens made once per colour for the life of the surface, or made afresh at every selection.
    enum class PenReuse { PerSurface, PerSelection };

    explicit ClientDCSurface(wxWindow* window, PenReuse reuse = PenReuse::PerSurface);

    void drawText(int x, int y, std::string_view text) override;
    void selectPen(TColor colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    void paintPixels(const wxRect& pixels);
    wxBrush penBrush(TColor colour);

    wxClientDC dc_;
    RenderedTextCache texts_{dc_};
    PenReuse reuse_;
    wxPoint position_{0, 0};
    wxBrush pen_;
    std::map<std::tuple<int, int, int>, wxBrush> pens_;
};
