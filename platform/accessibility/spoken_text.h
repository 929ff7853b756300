// Lines of the panel as one message to be spoken.
#pragma once

#include <string>
#include <vector>

// The lines in order, one sentence each, with the blanks that place them on the panel (padding, alignment,
// runs between fields) left out.
std::string spoken_text(const std::vector<std::string>& lines);
