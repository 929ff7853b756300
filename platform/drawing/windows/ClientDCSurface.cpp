#include "platform/drawing/windows/ClientDCSurface.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/settings.h>

ClientDCSurface::ClientDCSurface(wxWindow* window) : dc_(window) {
    dc_.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    dc_.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc_.SetTextBackground(*wxWHITE);
    dc_.SetTextForeground(*wxBLACK);
    selectPen(TColor::Black);
}

void ClientDCSurface::drawText(int x, int y, std::string_view text) {
    dc_.DrawText(to_toolkit_text(text), x, y);
}

void ClientDCSurface::selectPen(TColor colour) {
    const auto key = std::make_tuple(colour.red, colour.green, colour.blue);
    auto found = pens_.find(key);
    if (found == pens_.end()) {
        found =
            pens_.emplace(key, wxPen(wxColour(colour.red, colour.green, colour.blue), 1, wxPENSTYLE_SOLID))
                .first;
    }
    dc_.SetPen(found->second);
}

void ClientDCSurface::moveTo(int x, int y) {
    position_ = wxPoint(x, y);
}

// The system's line leaves out its end point, as the program's pictures need.
void ClientDCSurface::lineTo(int x, int y) {
    dc_.DrawLine(position_, wxPoint(x, y));
    position_ = wxPoint(x, y);
}
