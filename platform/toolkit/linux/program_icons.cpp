#include "platform/toolkit/program_icons.h"

#include "platform/toolkit/linux/embedded_icons.h"

#include <wx/image.h>
#include <wx/mstream.h>

wxIconBundle program_icons() {
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) {
        wxImage::AddHandler(new wxPNGHandler);
    }
    wxIconBundle icons;
    for (const EmbeddedPng& png : program_icon_pngs()) {
        wxMemoryInputStream stream(png.data, png.size);
        const wxImage image(stream, wxBITMAP_TYPE_PNG);
        if (image.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            icons.AddIcon(icon);
        }
    }
    return icons;
}
