#include "panel/TNewListBox.h"

#include "panel/TFenApp.h"

namespace {

bool is_enter(const wxKeyEvent& event) {
    return event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER;
}

} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(TNewListBox, wxListBox)
    EVT_KEY_DOWN(TNewListBox::EvKeyDown)
    EVT_KEY_UP(TNewListBox::EvKeyUp)
wxEND_EVENT_TABLE()
    // clang-format on

    TNewListBox::TNewListBox(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size)
    : wxListBox(parent, id, position, size, 0, nullptr, wxLB_SINGLE | wxLB_NEEDED_SB) {}

// The toolkit treats an Enter press in a list as a row activation and reports it as a double click; the
// format is applied once, on the release, so the press stops here.
void TNewListBox::EvKeyDown(wxKeyEvent& event) {
    if (!is_enter(event)) {
        event.Skip();
    }
}

void TNewListBox::EvKeyUp(wxKeyEvent& event) {
    auto* panel = dynamic_cast<TFenApp*>(GetParent());
    if (!is_enter(event) || panel == nullptr) {
        event.Skip();
        return;
    }
    panel->Apply();
}
