// How long the capture run waits for the device to deliver the bytes it reads.
#pragma once

#include "platform/wave_in/WaveInApi.h"
#include "platform/wave_in/wave_types.h"

#include <chrono>

// A sound server delivers its first data tens of milliseconds after the start and then a period at a
// time; the trace reads each byte only once it has arrived, so that what it draws is this recording.
class DeliveryWait {
public:
    using Clock = std::chrono::steady_clock;

    // The recording's own duration plus this margin, counted from the open, bounds every wait.
    static constexpr std::chrono::milliseconds kMargin{1000};

    // The last moment worth waiting for `bytes` bytes of `format` when the device was opened at `start`.
    static Clock::time_point deadlineFor(const WAVEFORMATEX& format, std::uint32_t bytes,
                                         std::chrono::milliseconds margin, Clock::time_point start);

    // Waits on `device`, where `header` is queued on `handle`.
    DeliveryWait(WaveInApi& device, HWAVEIN handle, const WAVEHDR& header, Clock::time_point deadline)
        : device_(device), handle_(handle), header_(header), deadline_(deadline) {}

    // Returns once the header holds at least `bytes` recorded bytes, the buffer is not (or no longer) queued
    // with the device, or the deadline has passed; whichever comes first. It sleeps meanwhile: the device
    // wakes it as the bytes come.
    void awaitBytes(std::uint32_t bytes) const;

private:
    WaveInApi& device_;
    HWAVEIN handle_;
    const WAVEHDR& header_;
    Clock::time_point deadline_;
};
