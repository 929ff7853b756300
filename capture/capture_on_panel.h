// What the TEST button does: one recording of one buffer from the first capture device, reported as
// status lines and drawn as a live trace.
#pragma once

#include "capture/CaptureRun.h"
#include "capture/DeliveryWait.h"
#include "platform/drawing/DrawingTarget.h"
#include "platform/wave_in/WaveInApi.h"
#include "platform/wave_in/wave_types.h"

#include <array>
#include <string>
#include <vector>

inline constexpr std::size_t kCaptureBufferSize = 1000;
// The device is handed all but the last byte of the buffer.
inline constexpr std::uint32_t kCaptureLength = 999;

using CaptureBuffer = std::array<CaptureByte, kCaptureBufferSize>;

// The window's device handle and header: they outlive each test and the next test reuses them.
extern CaptureSession g_captureSession;

// Opens device 0 with `format`, records into `buffer` and draws the outcome on `panel`. The trace waits for
// each byte to arrive, for no longer than the recording's duration plus `deliveryMargin` from the start
// request; the count line then tells how many did. The device is stopped, the header released and the
// device closed on every way out, a drawing failure included. Answers what it reported, in order: the lines
// it drew and, after the buffer's line, what the trace showed in words when it ran.
std::vector<std::string> run_capture_test(WaveInApi& device, DrawingTarget& panel, const WAVEFORMATEX& format,
                                          CaptureBuffer& buffer, CaptureSession& session = g_captureSession,
                                          std::chrono::milliseconds deliveryMargin = DeliveryWait::kMargin);
