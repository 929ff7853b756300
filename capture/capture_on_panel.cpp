#include "capture/capture_on_panel.h"

#include "capture/capture_messages.h"
#include "capture/live_trace.h"

#include <cstdio>
#include <string>
#include <string_view>

CaptureSession g_captureSession;

namespace {

constexpr int kStatusX = 40;
constexpr int kOpenMessageY = 300;
constexpr int kBufferMessageY = 320;
constexpr int kCountLineY = 340;

// Wide enough in any font to cover the digits of a longer count line drawn there before.
constexpr std::string_view kCountLinePadding = "          ";

std::string count_line(std::uint32_t bytesRecorded) {
    char text[32];
    std::snprintf(text, sizeof text, "Nbr %d", static_cast<int>(bytesRecorded));
    return std::string(text) + std::string(kCountLinePadding);
}

} // namespace

std::vector<std::string> run_capture_test(WaveInApi& device, DrawingTarget& panel, const WAVEFORMATEX& format,
                                          CaptureBuffer& buffer, CaptureSession& session,
                                          std::chrono::milliseconds deliveryMargin) {
    std::vector<std::string> reported;
    const std::unique_ptr<DrawingSurface> surface = panel.createSurface();
    // Declared after the surface, so that the device is closed before the drawing context goes.
    CaptureRun run(device, session, format, buffer.data(), kCaptureLength);
    const auto report = [&](int y, std::string_view line) {
        surface->drawText(kStatusX, y, line);
        reported.emplace_back(line);
    };

    report(kOpenMessageY, open_message(run.open()));
    if (const std::optional<MMRESULT> queued = run.queue()) {
        report(kBufferMessageY, buffer_message(*queued));
    }
    if (run.start(deliveryMargin)) {
        reported.push_back(trace_in_words(draw_live_trace(*surface, buffer, run.delivery())));
    }
    report(kCountLineY, count_line(run.bytesRecorded()));
    return reported;
}
