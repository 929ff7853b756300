// The program's icon at every size it is drawn at, for the main frame.
#pragma once

#include <wx/iconbndl.h>

// Every size of the icon, for the window manager or the shell to pick from (title bar, task switcher, dock).
wxIconBundle program_icons();
