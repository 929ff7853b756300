#include "platform/drawing/linux/KeptPixels.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace {

void add_region_path(cairo_t* context, const cairo_region_t* region) {
    for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
        cairo_rectangle_int_t area;
        cairo_region_get_rectangle(region, i, &area);
        cairo_rectangle(context, area.x, area.y, area.width, area.height);
    }
}

} // namespace

KeptPixels::KeptPixels(wxWindow* window) : window_(window) {
    window_->Bind(wxEVT_PAINT, &KeptPixels::onPaint, this);
}

KeptPixels::~KeptPixels() {
    window_->Unbind(wxEVT_PAINT, &KeptPixels::onPaint, this);
}

cairo_surface_t* KeptPixels::image() {
    const wxSize size = window_->GetClientSize();
    GdkWindow* drawn = window_->GTKGetDrawingWindow();
    if (!image_ || size != imageSize_ || gdk_window_get_scale_factor(drawn) != imageScale_) {
        imageSize_ = size;
        imageScale_ = gdk_window_get_scale_factor(drawn);
        image_.reset(gdk_window_create_similar_image_surface(drawn, CAIRO_FORMAT_ARGB32, std::max(size.x, 1),
                                                             std::max(size.y, 1), imageScale_));
        unshown_.reset(cairo_region_create());
        paintRequested_.clear();
    }
    return image_.get();
}

void KeptPixels::drawn(const wxRect& area) {
    const wxRect visible = area.Intersect(wxRect(imageSize_));
    if (visible.IsEmpty()) {
        return;
    }
    paintRequested_.push_back({visible.x, visible.y, visible.width, visible.height});
}

void KeptPixels::requestPaint() {
    if (paintRequested_.empty()) {
        return;
    }
    cairo_region_t* drawn =
        cairo_region_create_rectangles(paintRequested_.data(), int(paintRequested_.size()));
    cairo_region_union(unshown_.get(), drawn);
    gdk_window_invalidate_region(window_->GTKGetDrawingWindow(), drawn, TRUE);
    cairo_region_destroy(drawn);
    paintRequested_.clear();
}

// Shows the kept pixels of the areas drawn since they were last shown; anything else this paint covers is
// the toolkit's own repaint, which erases what was kept there.
void KeptPixels::onPaint(wxPaintEvent&) {
    wxPaintDC dc(window_);
    const wxRegion& update = window_->GetUpdateRegion();
    if (update.IsEmpty()) {
        return;
    }
    Region show(cairo_region_copy(update.GetRegion()));
    cairo_region_intersect(show.get(), unshown_.get());
    Region toolkitRepaint(cairo_region_copy(update.GetRegion()));
    cairo_region_subtract(toolkitRepaint.get(), unshown_.get());
    cairo_region_subtract(unshown_.get(), show.get());
    erase(toolkitRepaint.get());
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (cairo_region_is_empty(show.get()) || !image_ || gc == nullptr) {
        return;
    }
    auto* context = static_cast<cairo_t*>(gc->GetNativeContext());
    cairo_save(context);
    add_region_path(context, show.get());
    cairo_clip(context);
    cairo_set_source_surface(context, image_.get(), 0, 0);
    cairo_paint(context);
    cairo_restore(context);
}

void KeptPixels::erase(const cairo_region_t* area) {
    if (!image_ || cairo_region_is_empty(area)) {
        return;
    }
    cairo_t* context = cairo_create(image_.get());
    cairo_set_operator(context, CAIRO_OPERATOR_CLEAR);
    add_region_path(context, area);
    cairo_fill(context);
    cairo_destroy(context);
}
