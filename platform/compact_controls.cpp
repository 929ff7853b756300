#include "platform/compact_controls.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace {

constexpr const char* kCompactName = "varnel-compact";

// Theme padding and minimum heights removed; the text keeps its natural line height.
constexpr const char* kCompactCss = "#varnel-compact, #varnel-compact entry, #varnel-compact button,"
                                    " #varnel-compact box { min-height: 0; padding-top: 0; padding-bottom: 0;"
                                    " margin-top: 0; margin-bottom: 0; }"
                                    " #varnel-compact entry, #varnel-compact button { padding-top: 2px;"
                                    " padding-bottom: 2px; }";

void install_compact_style() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCompactCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

} // namespace

void make_compact(wxWindow* control) {
    install_compact_style();
    gtk_widget_set_name(control->GetHandle(), kCompactName);
    control->InvalidateBestSize();
}
