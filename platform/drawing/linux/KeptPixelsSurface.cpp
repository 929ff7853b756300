#include "platform/drawing/linux/KeptPixelsSurface.h"

#include "platform/drawing/linux/toolkit_drawing_work.h"
#include "platform/toolkit/code_page_text.h"

#include <wx/dcgraph.h>
#include <wx/graphics.h>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// Well under a display's frame (16.7 ms at 60 Hz), so that every frame the window system offers gets what
// was drawn before it; an apply step or a press on a device that has its bytes at once ends sooner and
// leaves its lines to the main loop.
constexpr auto kShowInterval = 4ms;

std::unique_ptr<wxDC> dc_on(cairo_surface_t* image) {
    cairo_t* context = cairo_create(image);
    auto dc = std::make_unique<wxGCDC>(wxGraphicsContext::CreateFromNative(context));
    cairo_destroy(context); // the graphics context holds its own reference
    return dc;
}

// The pixels a text drawn at (0, 0) with `dc`'s settings changes: drawn once on a transparent image with a
// margin of a line height all round, for glyphs that reach past the measured box.
wxRect ink_box(wxDC& dc, std::string_view text) {
    const wxString toolkitText = to_toolkit_text(text);
    const wxSize box = dc.GetTextExtent(toolkitText);
    if (toolkitText.empty() || box.y <= 0) {
        return {};
    }
    const int margin = box.y;
    const wxSize area(box.x + 2 * margin, box.y + 2 * margin);
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.x, area.y);
    {
        cairo_t* context = cairo_create(image);
        wxGCDC drawn(wxGraphicsContext::CreateFromNative(context));
        cairo_destroy(context);
        drawn.SetFont(dc.GetFont());
        drawn.SetBackgroundMode(dc.GetBackgroundMode());
        drawn.SetTextBackground(dc.GetTextBackground());
        drawn.SetTextForeground(dc.GetTextForeground());
        drawn.DrawText(toolkitText, margin, margin);
    }
    cairo_surface_flush(image);
    const unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    wxRect ink;
    for (int y = 0; y < area.y; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
        for (int x = 0; x < area.x; ++x) {
            if ((row[x] >> 24) != 0) {
                ink.Union(wxRect(x - margin, y - margin, 1, 1));
            }
        }
    }
    cairo_surface_destroy(image);
    return ink;
}

// The pixels a line from `from` to `to` paints, its end point left out.
wxRect line_box(wxPoint from, wxPoint to) {
    if (from == to) {
        return {};
    }
    const wxPoint last(to.x + (from.x > to.x) - (from.x < to.x), to.y + (from.y > to.y) - (from.y < to.y));
    return wxRect(wxPoint(std::min(from.x, last.x), std::min(from.y, last.y)),
                  wxPoint(std::max(from.x, last.x), std::max(from.y, last.y)));
}

} // namespace

KeptPixelsSurface::KeptPixelsSurface(KeptPixels& kept)
    : kept_(kept), image_(dc_on(kept.image())), nextShow_(Clock::now() + kShowInterval) {}

KeptPixelsSurface::~KeptPixelsSurface() {
    kept_.requestPaint();
    if (shownWhileDrawing_) {
        release_held_input();
    }
}

void KeptPixelsSurface::drawText(int x, int y, std::string_view text) {
    image_.drawText(x, y, text);
    wxRect drawn = inkBox(text);
    drawn.Offset(x, y);
    kept_.drawn(drawn);
    showWhenDue();
}

void KeptPixelsSurface::selectPen(TColor colour) {
    image_.selectPen(colour);
}

void KeptPixelsSurface::moveTo(int x, int y) {
    image_.moveTo(x, y);
    position_ = wxPoint(x, y);
}

void KeptPixelsSurface::lineTo(int x, int y) {
    image_.lineTo(x, y);
    kept_.drawn(line_box(position_, wxPoint(x, y)));
    position_ = wxPoint(x, y);
    showWhenDue();
}

const wxRect& KeptPixelsSurface::inkBox(std::string_view text) {
    auto found = inkBoxes_.find(text);
    if (found == inkBoxes_.end()) {
        found = inkBoxes_.emplace(std::string(text), ink_box(image_.dc(), text)).first;
    }
    return found->second;
}

void KeptPixelsSurface::showWhenDue() {
    const Clock::time_point now = Clock::now();
    if (now < nextShow_) {
        return;
    }
    kept_.requestPaint();
    run_toolkit_drawing_work();
    shownWhileDrawing_ = true;
    nextShow_ = now + kShowInterval;
}
