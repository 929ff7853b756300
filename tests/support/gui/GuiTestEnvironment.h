// Runs the toolkit for the tests of the real window: one application for the whole test program, on the
// display named by DISPLAY, with helpers to let the window system catch up.
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
