#include "capture/live_trace.h"

#include <string_view>

namespace {

constexpr int kBandColumns = 500;
constexpr int kBandTop = 165;
constexpr int kBaseline = 293;
constexpr int kMarkX = 1;
constexpr int kMarkY = 1;
constexpr std::string_view kBusyMark = "WAITING";
constexpr std::string_view kBusyMarkBlank = "                 ";

void erase_column(DrawingSurface& surface, int x) {
    surface.selectPen(TColor::White);
    surface.moveTo(x, kBandTop);
    surface.lineTo(x, kBaseline);
}

// A bar rises from the baseline by half the byte's value; its end point is left out, so 0 and 1 show none.
void draw_bar(DrawingSurface& surface, int x, std::uint8_t value) {
    surface.selectPen(TColor::LtGreen);
    surface.moveTo(x, kBaseline);
    surface.lineTo(x, kBaseline - value / 2);
}

void flicker_busy_mark(DrawingSurface& surface) {
    surface.drawText(kMarkX, kMarkY, kBusyMark);
    surface.drawText(kMarkX, kMarkY, kBusyMarkBlank);
}

} // namespace

void draw_live_trace(DrawingSurface& surface, const CaptureBuffer& buffer, const DeliveryWait& delivery) {
    for (std::uint32_t i = 1; i <= kCaptureLength; ++i) {
        const int x = static_cast<int>(i % kBandColumns);
        delivery.awaitBytes(i);
        erase_column(surface, x);
        draw_bar(surface, x, buffer[i - 1].load(std::memory_order_relaxed));
        flicker_busy_mark(surface);
    }
}
