// Lets the toolkit and the window system catch up in the tests of the real window (the toolkit itself is
// started once, by the runner in gui_main.cpp).
#pragma once

#include <wx/window.h>

#include <chrono>
#include <functional>

namespace gui {

// Handles pending events until `done` answers true or `timeout` passes; answers `done()`.
bool pump_until(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Handles events for a while, for the toolkit and the window manager to settle.
void pump_for(std::chrono::milliseconds duration);

} // namespace gui
