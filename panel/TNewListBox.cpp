#include "panel/TNewListBox.h"

#include "platform/toolkit/current_input.h"

wxDEFINE_EVENT(kEnterReleased, wxCommandEvent);

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

// The release of Enter goes up as the list's own notification, as a double click does; any other key
// goes on to the toolkit.
void TNewListBox::EvKeyUp(wxKeyEvent& event) {
    if (!is_enter(event.GetKeyCode())) {
        event.Skip();
        return;
    }
    wxCommandEvent enterReleased(kEnterReleased, GetId());
    enterReleased.SetEventObject(this);
    ProcessWindowEvent(enterReleased);
}

// The toolkit reports an Enter press in a list as a double click. The format is applied once, when Enter is
// released, so a report raised by a key goes no further; a double click of the mouse goes on to the panel.
void TNewListBox::EvActivate(wxCommandEvent& event) {
    if (!handling_key_input()) {
        event.Skip();
    }
}
