#include "platform/accessibility/control_names.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/access.h>
#include <wx/window.h>

namespace {

// Answers the control's name and description; everything else (its role, value, state, the list's rows) is
// the system's own object's answer.
class NamedControl : public wxAccessible {
public:
    NamedControl(wxWindow* control, const std::string& name, const std::string& description)
        : wxAccessible(control), name_(to_toolkit_text(name)), description_(to_toolkit_text(description)) {}

    wxAccStatus GetName(int child, wxString* name) override {
        if (child != wxACC_SELF) {
            return wxACC_NOT_IMPLEMENTED;
        }
        *name = name_;
        return wxACC_OK;
    }
    wxAccStatus GetDescription(int child, wxString* description) override {
        if (child != wxACC_SELF || description_.empty()) {
            return wxACC_NOT_IMPLEMENTED;
        }
        *description = description_;
        return wxACC_OK;
    }

private:
    wxString name_;
    wxString description_;
};

} // namespace

void name_control(wxWindow* control, const std::string& name, const std::string& description) {
    control->SetAccessible(new NamedControl(control, name, description));
}
