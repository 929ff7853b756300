#include "panel/TNewListBox.h"

#include "panel/TFenApp.h"

#include "platform/toolkit/current_input.h"

namespace {

bool is_enter(int keyCode) {
    return keyCode == WXK_RETURN || keyCode == WXK_NUMPAD_ENTER;
}

} // namespace

wxBEGIN_EVENT_TABLE(TNewListBox, wxListBox)
    EVT_KEY_UP(TNewListBox::EvKeyUp)
    EVT_LISTBOX_DCLICK(wxID_ANY, TNewListBox::EvActivate)
wxEND_EVENT_TABLE()

TNewListBox::TNewListBox(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size)
    : wxListBox(parent, id, position, size, 0, nullptr, wxLB_SINGLE | wxLB_NEEDED_SB) {}

void TNewListBox::EvKeyUp(wxKeyEvent& event) {
    auto* panel = dynamic_cast<TFenApp*>(GetParent());
    if (!is_enter(event.GetKeyCode()) || panel == nullptr) {
        event.Skip();
        return;
    }
    panel->Apply();
}

// The toolkit reports an Enter press in a list as a double click. The format is applied once, when Enter is
// released, so a report raised by a key goes no further; a double click of the mouse goes on to the panel.
void TNewListBox::EvActivate(wxCommandEvent& event) {
    if (!handling_key_input()) {
        event.Skip();
    }
}
