#include "platform/accessibility/control_names.h"

#include "platform/toolkit/code_page_text.h"

#include <gtk/gtk.h>
#include <wx/window.h>

// A control of several widgets (a list in its scrolled frame, a box with its edit field) is named on the
// outer one and on the one that takes the focus, which is what a screen reader speaks of.
void name_control(wxWindow* control, const std::string& name, const std::string& description) {
    const std::string utf8Name = to_utf8(name);
    const std::string utf8Description = to_utf8(description);
    for (GtkWidget* widget : {control->GetHandle(), control->GetConnectWidget()}) {
        AtkObject* accessible = gtk_widget_get_accessible(widget);
        atk_object_set_name(accessible, utf8Name.c_str());
        if (!description.empty()) {
            atk_object_set_description(accessible, utf8Description.c_str());
        }
    }
}
