#include "platform/toolkit/typed_text_limit.h"

#include <gtk/gtk.h>
#include <wx/combobox.h>

#include <cstring>
#include <string>

namespace {

struct TypedLimit {
    wxComboBox* box;
    glong characters;
    gulong handler = 0; // this check's own connection, held off while it inserts what fits
};

// A choice replaces the whole field with one of the box's entries in one insertion into the emptied field.
bool is_chosen_entry(const TypedLimit& limit, glong charactersBefore, const std::string& inserted) {
    return charactersBefore == 0 && limit.box->FindString(wxString::FromUTF8(inserted), true) != wxNOT_FOUND;
}

// "insert-text" runs before the text goes in: anything beyond the room left is dropped, the rest inserted
// here in its place.
void keep_within_limit(GtkEditable* editable, const gchar* text, gint length, gint* position, gpointer data) {
    const auto& limit = *static_cast<const TypedLimit*>(data);
    const std::string inserted(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
    const glong before = gtk_entry_get_text_length(GTK_ENTRY(editable));
    const glong count = g_utf8_strlen(inserted.data(), static_cast<gssize>(inserted.size()));
    if (before + count <= limit.characters || is_chosen_entry(limit, before, inserted)) {
        return;
    }
    g_signal_stop_emission_by_name(editable, "insert-text");
    const glong room = limit.characters - before;
    if (room > 0) {
        const gchar* end = g_utf8_offset_to_pointer(inserted.data(), room);
        g_signal_handler_block(editable, limit.handler);
        gtk_editable_insert_text(editable, inserted.data(), static_cast<gint>(end - inserted.data()),
                                 position);
        g_signal_handler_unblock(editable, limit.handler);
    }
    gtk_widget_error_bell(GTK_WIDGET(editable));
}

} // namespace

void limit_typed_text(wxComboBox* box, unsigned long characters) {
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(box->GetHandle()));
    if (entry == nullptr || !GTK_IS_EDITABLE(entry)) {
        return;
    }
    auto* limit = new TypedLimit{box, static_cast<glong>(characters)};
    limit->handler = g_signal_connect_data(
        entry, "insert-text", G_CALLBACK(keep_within_limit), limit,
        [](gpointer data, GClosure*) { delete static_cast<TypedLimit*>(data); }, GConnectFlags{});
}
