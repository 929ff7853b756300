// The main frame's size as the user sees the window.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

// Gives `frame` the outer size `size` as it shows on the desktop: its caption or header bar and its borders
// count, margins nobody sees (the shadow a toolkit draws around a window it decorates itself) do not. Only
// the first size is made so: the user's own resizing is left alone.
void set_visible_frame_size(wxTopLevelWindow* frame, wxSize size);
