#include "capture/live_trace.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr int kBandTop = 165;
constexpr int kBaseline = 293;
constexpr int kMarkX = 1;
constexpr int kMarkY = 1;
constexpr std::string_view kBusyMark = "WAITING";
constexpr std::string_view kBusyMarkBlank = "                 ";
constexpr std::uint8_t kByteMax = 255;

void erase_column(DrawingSurface& surface, int x) {
    surface.selectPen(TColor::White);
    surface.moveTo(x, kBandTop);
    surface.lineTo(x, kBaseline);
}

// A bar rises from the baseline by half the byte's value; its end point is left out, so 0 and 1 show none.
int bar_height(std::uint8_t value) {
    return value / 2;
}

void draw_bar(DrawingSurface& surface, int x, std::uint8_t value) {
    surface.selectPen(TColor::LtGreen);
    surface.moveTo(x, kBaseline);
    surface.lineTo(x, kBaseline - bar_height(value));
}

void flicker_busy_mark(DrawingSurface& surface) {
    surface.drawText(kMarkX, kMarkY, kBusyMark);
    surface.drawText(kMarkX, kMarkY, kBusyMarkBlank);
}

std::string pixels(int count) {
    return std::to_string(count) + (count == 1 ? " pixel" : " pixels");
}

} // namespace

TraceBand draw_live_trace(DrawingSurface& surface, const CaptureBuffer& buffer,
                          const DeliveryWait& delivery) {
    TraceBand band{};
    for (std::uint32_t i = 1; i <= kCaptureLength; ++i) {
        const int x = static_cast<int>(i % kBandColumns);
        delivery.awaitBytes(i);
        erase_column(surface, x);
        band[static_cast<std::size_t>(x)] = buffer[i - 1].load(std::memory_order_relaxed);
        draw_bar(surface, x, band[static_cast<std::size_t>(x)]);
        flicker_busy_mark(surface);
    }
    return band;
}

std::string trace_in_words(const TraceBand& band) {
    const auto lowest = std::min_element(band.begin(), band.end());
    const auto highest = std::max_element(band.begin(), band.end()); // the first of the highest
    const int top = bar_height(*highest);
    if (bar_height(*lowest) == top) {
        return top == 0 ? "Trace: flat, no bars." : "Trace: flat, every bar " + pixels(top) + " high.";
    }
    return "Trace: bars " + std::to_string(bar_height(*lowest)) + " to " + pixels(top) + " high out of " +
           std::to_string(bar_height(kByteMax)) + ", the highest in column " +
           std::to_string(highest - band.begin()) + ".";
}
