#include "platform/drawing/linux/DCSurface.h"

#include "platform/drawing/linux/drawn_text_font.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/graphics.h>
#include <wx/pen.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

wxColour to_wx(TColor colour) {
    return wxColour(colour.red, colour.green, colour.blue);
}

// Pixels a straight run covers along its axis, as (first, count): from `from` towards `to`, `to` excluded.
std::pair<int, int> half_open_run(int from, int to) {
    return to >= from ? std::pair{from, to - from} : std::pair{to + 1, from - to};
}

} // namespace

DCSurface::DCSurface(std::unique_ptr<wxDC> dc) : dc_(std::move(dc)), texts_(*dc_) {
    // The toolkit antialiases and paints both end points of a line; the program's pictures are pure
    // colours with the end point left out, so lines are painted as exact pixel runs instead.
    if (wxGraphicsContext* gc = dc_->GetGraphicsContext()) {
        gc->SetAntialiasMode(wxANTIALIAS_NONE);
    }
    dc_->SetFont(drawn_text_font());
    dc_->SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc_->SetTextBackground(*wxWHITE);
    dc_->SetTextForeground(*wxBLACK);
    dc_->SetPen(*wxTRANSPARENT_PEN);
    pen_ = penBrush(TColor::Black);
}

void DCSurface::drawText(int x, int y, std::string_view text) {
    if (!texts_.draw(x, y, text)) {
        dc_->DrawText(to_toolkit_text(text), x, y);
    }
}

void DCSurface::selectPen(TColor colour) {
    pen_ = penBrush(colour);
}

wxBrush DCSurface::penBrush(TColor colour) {
    const auto key = std::make_tuple(colour.red, colour.green, colour.blue);
    auto found = pens_.find(key);
    if (found == pens_.end()) {
        found = pens_.emplace(key, wxBrush(to_wx(colour), wxBRUSHSTYLE_SOLID)).first;
    }
    return found->second;
}

void DCSurface::moveTo(int x, int y) {
    position_ = wxPoint(x, y);
}

void DCSurface::lineTo(int x, int y) {
    const wxPoint from = position_;
    const wxPoint to(x, y);
    position_ = to;
    if (from == to) {
        return;
    }
    if (from.x == to.x) {
        const auto [top, height] = half_open_run(from.y, to.y);
        paintPixels(wxRect(from.x, top, 1, height));
        return;
    }
    if (from.y == to.y) {
        const auto [left, width] = half_open_run(from.x, to.x);
        paintPixels(wxRect(left, from.y, width, 1));
        return;
    }
    // Any other slope: Bresenham's pixels, end point excluded.
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    for (wxPoint p = from; p != to;) {
        paintPixels(wxRect(p.x, p.y, 1, 1));
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            p.x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

void DCSurface::paintPixels(const wxRect& pixels) {
    dc_->SetBrush(pen_);
    dc_->DrawRectangle(pixels);
}
