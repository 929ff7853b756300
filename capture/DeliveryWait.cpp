#include "capture/DeliveryWait.h"

DeliveryWait::Clock::time_point DeliveryWait::deadlineFor(const WAVEFORMATEX& format, std::uint32_t bytes,
                                                          std::chrono::milliseconds margin,
                                                          Clock::time_point start) {
    if (format.nAvgBytesPerSec == 0) {
        return start + margin;
    }
    const std::chrono::duration<double> audio(double(bytes) / format.nAvgBytesPerSec);
    return start + std::chrono::duration_cast<Clock::duration>(audio) + margin;
}

void DeliveryWait::awaitBytes(std::uint32_t bytes) const {
    // Most of the trace's passes find their byte there already: they need not ask the device.
    if (!recorded_or_returned(header_, bytes) && Clock::now() < deadline_) {
        device_.awaitRecorded(handle_, header_, bytes, deadline_);
    }
}
