#include "capture/DeliveryWait.h"

#include <thread>

namespace {

// Far below a sound server's period (5 to 20 ms) and the time one pass of the trace takes to draw, so the
// trace follows the data as it comes without spinning a core while it waits.
constexpr std::chrono::microseconds kPollInterval{500};

} // namespace

DeliveryWait::Clock::time_point DeliveryWait::deadlineFor(const WAVEFORMATEX& format, std::uint32_t bytes,
                                                          std::chrono::milliseconds margin,
                                                          Clock::time_point start) {
    if (format.nAvgBytesPerSec == 0) {
        return start + margin;
    }
    const std::chrono::duration<double> audio(double(bytes) / format.nAvgBytesPerSec);
    return start + std::chrono::duration_cast<Clock::duration>(audio) + margin;
}

// A buffer that is not queued, or no longer, gets nothing more.
bool DeliveryWait::delivered(std::uint32_t bytes) const {
    return header_.dwBytesRecorded.load(std::memory_order_acquire) >= bytes ||
           (header_.dwFlags.load(std::memory_order_acquire) & WHDR_INQUEUE) == 0;
}

void DeliveryWait::awaitBytes(std::uint32_t bytes) const {
    while (!delivered(bytes) && Clock::now() < deadline_) {
        std::this_thread::sleep_for(kPollInterval);
    }
}
