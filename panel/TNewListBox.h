// The format list: a list box that applies the chosen format when Enter is released in it.
#pragma once

#include <wx/listbox.h>

class TNewListBox : public wxListBox {
public:
    TNewListBox(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size);

private:
    void EvKeyUp(wxKeyEvent& event);
    void EvActivate(wxCommandEvent& event);

    wxDECLARE_EVENT_TABLE();
};
