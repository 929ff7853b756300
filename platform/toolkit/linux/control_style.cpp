#include "platform/toolkit/control_style.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace {

constexpr const char* kCompactName = "varnel-compact";
constexpr int kCompactPadding = 2;
constexpr int kFrameBorder = 1;

// Theme padding and minimum heights removed; the text keeps its natural line height.
constexpr const char* kCompactCss = "#varnel-compact, #varnel-compact entry, #varnel-compact button,"
                                    " #varnel-compact box { min-height: 0; padding-top: 0; padding-bottom: 0;"
                                    " margin-top: 0; margin-bottom: 0; }"
                                    " #varnel-compact entry, #varnel-compact button { padding: 2px 3px; }";

// Tab stops only at the box's entry; its drop-down button still takes the focus when clicked.
void tab_to_entry_only(GtkWidget* widget, gpointer) {
    if (!GTK_IS_CONTAINER(widget) || GTK_IS_BUTTON(widget)) {
        return;
    }
    GList* entries = nullptr;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer found) {
            if (GTK_IS_ENTRY(child)) {
                *static_cast<GList**>(found) = g_list_append(*static_cast<GList**>(found), child);
            }
        },
        &entries);
    if (entries != nullptr) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_container_set_focus_chain(GTK_CONTAINER(widget), entries);
        G_GNUC_END_IGNORE_DEPRECATIONS
        g_list_free(entries);
    }
    gtk_container_forall(GTK_CONTAINER(widget), tab_to_entry_only, nullptr);
}

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

int make_compact(wxWindow* control) {
    install_compact_style();
    GtkWidget* widget = control->GetHandle();
    gtk_widget_set_name(widget, kCompactName);
    // Forget the size fixed at creation, measured before the compact style applied.
    gtk_widget_set_size_request(widget, -1, -1);
    gtk_widget_reset_style(widget);
    control->InvalidateBestSize();
    // The toolkit measures a new control before its style applies, so the height is worked out from the
    // font: one text line, the padding above and below it and the frame's border.
    return control->GetCharHeight() + 2 * (kCompactPadding + kFrameBorder);
}

void make_single_tab_stop(wxWindow* comboBox) {
    tab_to_entry_only(comboBox->GetHandle(), nullptr);
}
