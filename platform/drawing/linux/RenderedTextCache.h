// Opaque text drawn many times over on one window drawing context (the live trace draws its two busy-mark
// texts 999 times each): the toolkit measures and shapes the text at every draw, which costs far more than
// the pixels. Each distinct text is drawn once, through the toolkit's own text call, onto an off-screen
// surface made like the window's (same backend, so the same font options and glyph rasterisation), and
// each later draw copies those pixels to the window.
#pragma once

#include <wx/dc.h>
#include <wx/gdicmn.h>

#include <cairo.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

class RenderedTextCache {
public:
    // `window` is the window's drawing context with its font, colours and background mode already set; it
    // must outlive the cache and keep those settings.
    explicit RenderedTextCache(wxDC& window);

    // Draws `text` at (x, y) exactly as `window.DrawText` would. False, having drawn nothing, when it
    // cannot: the window is not drawn through cairo, no off-screen surface could be made, or the text is
    // empty; the caller then draws through the toolkit.
    bool draw(int x, int y, std::string_view text);

private:
    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    };
    struct Rendered {
        std::unique_ptr<cairo_surface_t, SurfaceRelease> pixels; // null for a text that paints nothing
        wxRect area;                                             // relative to the text's top-left corner
    };

    const Rendered& rendered(cairo_t* window, std::string_view text);
    Rendered render(cairo_t* window, std::string_view text);

    wxDC& window_;
    std::map<std::string, Rendered, std::less<>> texts_;
};
