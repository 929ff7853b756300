#include "platform/toolkit/control_style.h"

#include <wx/window.h>

// The system's own combo boxes and buttons are one text line high with thin padding already.
int make_compact(wxWindow* control) {
    control->InvalidateBestSize();
    return control->GetBestSize().y;
}

// A drop-down combo box of the system takes the focus at its edit field only.
void make_single_tab_stop(wxWindow*) {}
