// The graphical session the program opens its window in: an X display named by DISPLAY or a Wayland one
// named by WAYLAND_DISPLAY.
#pragma once

#include <string>

// True when DISPLAY or WAYLAND_DISPLAY names a session.
bool graphical_session_named();

// Why no window could be opened, in the user's terms: no session named at all, or the one named could not
// be reached.
std::string graphical_session_problem();
