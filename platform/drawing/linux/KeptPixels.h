// What the panel has drawn, kept for a window system where a program's window shows only what the
// toolkit paints in its paint event (GTK on Wayland): drawing outside that event never reaches the screen.
// The drawn pixels are kept in an image and shown by a paint handler on the window, for the areas drawn
// since they were last shown. A repaint the toolkit makes of its own (a resize, a restore) erases what it
// covers, as it does where drawing goes straight to the screen: nothing drawn is brought back.
#pragma once

#include <wx/event.h>
#include <wx/gdicmn.h>

#include <cairo.h>

#include <memory>
#include <vector>

class wxWindow;

class KeptPixels {
public:
    explicit KeptPixels(wxWindow* window);
    ~KeptPixels();
    KeptPixels(const KeptPixels&) = delete;
    KeptPixels& operator=(const KeptPixels&) = delete;

    // The image to draw on, as large as the window's client area at the window's scale, transparent where
    // nothing is kept. A new size starts empty: the toolkit repaints the whole window when it is resized.
    cairo_surface_t* image();
    // `area` (client coordinates) has been drawn on the image and is to be shown.
    void drawn(const wxRect& area);
    // Asks the toolkit to paint what was drawn since the last call.
    void requestPaint();

private:
    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    };
    struct RegionRelease {
        void operator()(cairo_region_t* region) const { cairo_region_destroy(region); }
    };
    using Region = std::unique_ptr<cairo_region_t, RegionRelease>;

    void onPaint(wxPaintEvent& event);
    void erase(const cairo_region_t* area);

    wxWindow* window_;
    std::unique_ptr<cairo_surface_t, SurfaceRelease> image_;
    wxSize imageSize_;
    int imageScale_ = 0;
    Region unshown_{cairo_region_create()}; // drawn and not painted yet
    // Drawn and not asked to be painted yet: gathered as they come, and made a region once a paint is asked
    // for, since a trace's thousands of one-pixel columns would each cost a pass over the region.
    std::vector<cairo_rectangle_int_t> paintRequested_;
};
