#include "platform/drawing/linux/KeptPixels.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace {

void add_region_path(cairo_t* context, const wxRegion& region) {
    for (wxRegionIterator at(region); at; ++at) {
        const wxRect area = at.GetRect();
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
        unshown_.Clear();
        paintRequested_.Clear();
    }
    return image_.get();
}

void KeptPixels::drawn(const wxRect& area) {
    const wxRect visible = area.Intersect(wxRect(imageSize_));
    if (visible.IsEmpty()) {
        return;
    }
    unshown_.Union(visible);
    paintRequested_.Union(visible);
}

void KeptPixels::requestPaint() {
    if (paintRequested_.IsEmpty()) {
        return;
    }
    gdk_window_invalidate_region(window_->GTKGetDrawingWindow(), paintRequested_.GetRegion(), TRUE);
    paintRequested_.Clear();
}

// Shows the kept pixels of the areas drawn since they were last shown; anything else this paint covers is
// the toolkit's own repaint, which erases what was kept there.
void KeptPixels::onPaint(wxPaintEvent&) {
    wxPaintDC dc(window_);
    wxRegion toolkitRepaint = window_->GetUpdateRegion();
    wxRegion show = unshown_;
    show.Intersect(toolkitRepaint);
    toolkitRepaint.Subtract(unshown_);
    unshown_.Subtract(show);
    if (!toolkitRepaint.IsEmpty()) {
        erase(toolkitRepaint);
    }
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (show.IsEmpty() || !image_ || gc == nullptr) {
        return;
    }
    auto* context = static_cast<cairo_t*>(gc->GetNativeContext());
    cairo_save(context);
    add_region_path(context, show);
    cairo_clip(context);
    cairo_set_source_surface(context, image_.get(), 0, 0);
    cairo_paint(context);
    cairo_restore(context);
}

void KeptPixels::erase(const wxRegion& area) {
    if (!image_) {
        return;
    }
    cairo_t* context = cairo_create(image_.get());
    cairo_set_operator(context, CAIRO_OPERATOR_CLEAR);
    add_region_path(context, area);
    cairo_fill(context);
    cairo_destroy(context);
}
