// The message box that reports a failure the program ends on, where the user may see no terminal.
#pragma once

#include <string>

// Whether a box can be shown now: the toolkit is up and the desktop reachable.
bool error_message_box_possible();

// Shows the system's error box and returns once the user has closed it.
void show_error_message_box(const std::string& caption, const std::string& message);
