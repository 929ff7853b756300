#include "platform/toolkit/error_message_box.h"

#include "platform/toolkit/code_page_text.h"

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/msgdlg.h>

// The toolkit is up and its display open.
bool error_message_box_possible() {
    return wxTheApp != nullptr && gdk_display_get_default() != nullptr;
}

void show_error_message_box(const std::string& caption, const std::string& message) {
    wxMessageDialog box(nullptr, to_toolkit_text(message), to_toolkit_text(caption), wxOK | wxICON_ERROR);
    box.ShowModal();
}
