// The format list: a list box that reports the release of Enter in it as a notification of its own, for
// its parent's event table to route.
#pragma once

#include <wx/event.h>
#include <wx/listbox.h>

// Sent, as a command event carrying the list's id, when Enter is released while the list has the focus.
wxDECLARE_EVENT(kEnterReleased, wxCommandEvent);

class TNewListBox : public wxListBox {
public:
    TNewListBox(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

private:
    void EvKeyUp(wxKeyEvent& event);
    void EvActivate(wxCommandEvent& event);

    wxDECLARE_EVENT_TABLE();
};
