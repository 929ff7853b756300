#include "platform/drawing/linux/RenderedTextCache.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/dcgraph.h>
#include <wx/graphics.h>

namespace {

// The window context's cairo drawing context, or null when it is drawn through another renderer.
cairo_t* cairo_context_of(wxDC& dc) {
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (gc == nullptr || gc->GetRenderer() != wxGraphicsRenderer::GetCairoRenderer()) {
        return nullptr;
    }
    return static_cast<cairo_t*>(gc->GetNativeContext());
}

// Copies the drawing settings the toolkit's text call depends on.
void copy_text_settings(wxDC& from, wxDC& to) {
    to.SetFont(from.GetFont());
    to.SetBackgroundMode(from.GetBackgroundMode());
    to.SetTextBackground(from.GetTextBackground());
    to.SetTextForeground(from.GetTextForeground());
    to.GetGraphicsContext()->SetAntialiasMode(from.GetGraphicsContext()->GetAntialiasMode());
}

} // namespace

RenderedTextCache::RenderedTextCache(wxDC& window) : window_(window) {}

bool RenderedTextCache::draw(int x, int y, std::string_view text) {
    cairo_t* window = cairo_context_of(window_);
    if (window == nullptr) {
        return false;
    }
    const Rendered& drawn = rendered(window, text);
    if (!drawn.pixels) {
        return false;
    }
    wxRect at = drawn.area;
    at.Offset(x, y);
    cairo_save(window);
    cairo_set_operator(window, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(window, drawn.pixels.get(), at.x, at.y);
    cairo_rectangle(window, at.x, at.y, at.width, at.height);
    cairo_fill(window);
    cairo_restore(window);
    return true;
}

const RenderedTextCache::Rendered& RenderedTextCache::rendered(cairo_t* window, std::string_view text) {
    auto found = texts_.find(text);
    if (found == texts_.end()) {
        found = texts_.emplace(std::string(text), render(window, text)).first;
    }
    return found->second;
}

RenderedTextCache::Rendered RenderedTextCache::render(cairo_t* window, std::string_view text) {
    const wxString toolkitText = to_toolkit_text(text);
    const wxSize box = window_.GetTextExtent(toolkitText);
    if (toolkitText.empty() || box.y <= 0) {
        return {};
    }
    // Glyphs may reach past the box the text is measured by; a margin of a line height all round keeps
    // whatever ink they have. It is left transparent, so copying it changes nothing else.
    const int margin = box.y;
    Rendered drawn;
    drawn.area = wxRect(-margin, -margin, box.x + 2 * margin, box.y + 2 * margin);
    drawn.pixels.reset(cairo_surface_create_similar(cairo_get_target(window), CAIRO_CONTENT_COLOR_ALPHA,
                                                    drawn.area.width, drawn.area.height));
    if (cairo_surface_status(drawn.pixels.get()) != CAIRO_STATUS_SUCCESS) {
        return {};
    }
    cairo_t* offscreen = cairo_create(drawn.pixels.get());
    {
        wxGCDC dc(wxGraphicsContext::CreateFromNative(offscreen));
        copy_text_settings(window_, dc);
        dc.DrawText(toolkitText, margin, margin);
    }
    cairo_destroy(offscreen);
    cairo_surface_flush(drawn.pixels.get());
    return drawn;
}
