// The captured bytes drawn as vertical bars while the device records.
#pragma once

#include "capture/DeliveryWait.h"
#include "capture/capture_on_panel.h"
#include "platform/drawing/DrawingSurface.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kBandColumns = 500;

// The byte whose bar each column of the band shows once the trace has ended.
using TraceBand = std::array<std::uint8_t, kBandColumns>;

// Draws bytes 0 to 998 of `buffer`: 999 passes over a band of 500 columns, each column erased just before
// its bar is drawn, with the busy mark flickering. Each pass first waits, through `delivery`, for its byte
// to arrive, so the band fills as the recording comes in; past the wait's deadline it draws what the
// buffer holds. Answers what the band shows at the end.
TraceBand draw_live_trace(DrawingSurface& surface, const CaptureBuffer& buffer, const DeliveryWait& delivery);

// What the band shows, in words a listener can use: whether it is flat, and how high its bars reach.
std::string trace_in_words(const TraceBand& band);
