#include "platform/toolkit/frame_size.h"

#include <wx/toplevel.h>

// The system's frame size is its outer size, caption and borders included.
void set_visible_frame_size(wxTopLevelWindow* frame, wxSize size) {
    frame->SetSize(size);
}
