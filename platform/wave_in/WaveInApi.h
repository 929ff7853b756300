// The wave-input operations the capture test relies on. The program uses the implementation of the system
// it is built for; tests put a scripted device in its place.
#pragma once

#include "platform/wave_in/wave_types.h"

#include <chrono>
#include <cstdint>

class WaveInApi {
public:
    virtual ~WaveInApi() = default;

    // Opens device `deviceId` (0 is the system's default capture device) for `format`. No callback or
    // notification is supported: `callback`, `instance` and `flags` must be 0.
    virtual MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) = 0;
    virtual MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) = 0;
    virtual MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) = 0;
    virtual MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) = 0;
    virtual MMRESULT waveInStart(HWAVEIN handle) = 0;
    // Stops recording and hands every queued buffer back (marked done); after it returns the device
    // writes into no buffer.
    virtual MMRESULT waveInReset(HWAVEIN handle) = 0;
    virtual MMRESULT waveInClose(HWAVEIN handle) = 0;

    // Returns once `header`, queued on `handle`, holds at least `bytes` recorded bytes or is no longer
    // queued, or once `deadline` has passed; at once for a handle that is not open. The caller sleeps
    // meanwhile, woken as the device records where the system tells of it.
    virtual void awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                               std::chrono::steady_clock::time_point deadline) = 0;
};
