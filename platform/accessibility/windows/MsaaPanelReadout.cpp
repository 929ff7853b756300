#include "platform/accessibility/windows/MsaaPanelReadout.h"

#include "platform/accessibility/spoken_text.h"
#include "platform/toolkit/code_page_text.h"

#include <wx/access.h>
#include <wx/settings.h>
#include <wx/window.h>

namespace {

// The alert an announcement raises: a child number past any the panel lists, answered whatever the count.
constexpr int kAlertChild = 0x7FFF;

// The panel's accessible object: its controls, as the system's own object lists them, then the lines.
class PanelAccessible : public wxWindowAccessible {
public:
    PanelAccessible(wxWindow* panel, const MsaaPanelReadout& readout)
        : wxWindowAccessible(panel), readout_(readout) {}

    wxAccStatus GetChildCount(int* count) override {
        wxWindowAccessible::GetChildCount(count);
        *count += static_cast<int>(readout_.lines().size());
        return wxACC_OK;
    }
    // A line and the alert are simple elements of the panel, not objects of their own.
    wxAccStatus GetChild(int child, wxAccessible** object) override {
        if (line(child) != nullptr || child == kAlertChild) {
            *object = nullptr;
            return wxACC_OK;
        }
        return wxWindowAccessible::GetChild(child, object);
    }
    // The panel itself has no name: wxWidgets would answer the window's internal one.
    wxAccStatus GetName(int child, wxString* name) override {
        if (const DrawnTexts::Line* drawn = line(child)) {
            *name = to_toolkit_text(drawn->text);
            return wxACC_OK;
        }
        if (child == kAlertChild) {
            *name = to_toolkit_text(readout_.announcement());
            return wxACC_OK;
        }
        return wxACC_NOT_IMPLEMENTED;
    }
    wxAccStatus GetRole(int child, wxAccRole* role) override {
        if (line(child) != nullptr || child == kAlertChild) {
            *role = child == kAlertChild ? wxROLE_SYSTEM_ALERT : wxROLE_SYSTEM_STATICTEXT;
            return wxACC_OK;
        }
        return wxWindowAccessible::GetRole(child, role);
    }
    wxAccStatus GetState(int child, long* state) override {
        if (line(child) != nullptr || child == kAlertChild) {
            *state = wxACC_STATE_SYSTEM_READONLY;
            return wxACC_OK;
        }
        return wxWindowAccessible::GetState(child, state);
    }
    wxAccStatus GetLocation(wxRect& rect, int child) override {
        if (const DrawnTexts::Line* drawn = line(child)) {
            rect = readout_.screenBox(*drawn);
            return wxACC_OK;
        }
        return wxWindowAccessible::GetLocation(rect, child);
    }

private:
    const DrawnTexts::Line* line(int child) {
        const int index = child - 1 - static_cast<int>(GetWindow()->GetChildren().size());
        const auto& lines = readout_.lines();
        return index >= 0 && index < static_cast<int>(lines.size()) ? &lines[static_cast<std::size_t>(index)]
                                                                    : nullptr;
    }

    const MsaaPanelReadout& readout_;
};

} // namespace

std::unique_ptr<PanelReadout> make_panel_readout(wxWindow* panel) {
    return std::make_unique<MsaaPanelReadout>(panel);
}

MsaaPanelReadout::MsaaPanelReadout(wxWindow* panel) : panel_(panel) {
    new PanelAccessible(panel, *this); // the panel owns it
}

// A client that still holds the object finds it answering nothing.
MsaaPanelReadout::~MsaaPanelReadout() {
    panel_->SetAccessible(nullptr);
}

int MsaaPanelReadout::childOf(int index) const {
    return static_cast<int>(panel_->GetChildren().size()) + index + 1;
}

wxRect MsaaPanelReadout::screenBox(const DrawnTexts::Line& line) const {
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT); // the font the lines are drawn in
    wxCoord width = 0;
    wxCoord height = 0;
    panel_->GetTextExtent(to_toolkit_text(line.text), &width, &height, nullptr, nullptr, &font);
    return wxRect(panel_->ClientToScreen(wxPoint(line.x, line.y)), wxSize(width, height));
}

// Lines that came or went reorder the panel's children; a line drawn anew changes its name.
void MsaaPanelReadout::drawingEnded() {
    const DrawnTexts::Changes changes = texts_.takeChanges();
    if (!changes.removed.empty() || !changes.added.empty()) {
        wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_REORDER, panel_, wxOBJID_CLIENT, wxACC_SELF);
    }
    for (const DrawnTexts::Change& rewritten : changes.rewritten) {
        wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_NAMECHANGE, panel_, wxOBJID_CLIENT,
                                  childOf(rewritten.index));
    }
}

void MsaaPanelReadout::announce(const std::vector<std::string>& lines) {
    announcement_ = spoken_text(lines);
    if (!announcement_.empty()) {
        wxAccessible::NotifyEvent(wxACC_EVENT_SYSTEM_ALERT, panel_, wxOBJID_CLIENT, kAlertChild);
    }
}
