// Drawing on a window's client area, as the system the program is built for provides it.
#pragma once

#include "platform/drawing/DrawingTarget.h"

#include <memory>

class wxWindow;

// Surfaces on `window`'s client area for the span of one operation; `window` must outlive the target.
std::unique_ptr<DrawingTarget> make_client_area_target(wxWindow* window);
