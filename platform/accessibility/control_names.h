// What a screen reader says a control is for. Nothing of it is drawn.
#pragma once

#include <string>

class wxWindow;

// `name` tells what the control chooses or does; `description`, where given, says more, as a screen reader
// offers it after the name.
void name_control(wxWindow* control, const std::string& name, const std::string& description = {});
