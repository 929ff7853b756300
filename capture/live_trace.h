// The captured bytes drawn as vertical bars while the device records.
#pragma once

#include "capture/capture_test.h"
#include "platform/DrawingSurface.h"

// Draws bytes 0 to 998 of `buffer` as they are at the moment each is read: 999 passes over a band of
// 500 columns, each column erased just before its bar is drawn, with the busy mark flickering.
void draw_live_trace(DrawingSurface& surface, const CaptureBuffer& buffer);
