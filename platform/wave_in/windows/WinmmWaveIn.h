// The wave-input layer over winmm, the system's own wave-input calls: the program's capture device on
// Windows. The program's records are handed to the system as they are (same layout), so the device fills
// the very header the capture run watches.
#pragma once

#include "platform/wave_in/CaptureSystem.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>

class WinmmWaveIn : public CaptureSystem {
public:
    WinmmWaveIn() = default;
    // Closes what is still open where nothing is queued on it: a queued buffer's owner may have released
    // it already, and stopping the device would write into its header.
    ~WinmmWaveIn() override;
    WinmmWaveIn(const WinmmWaveIn&) = delete;
    WinmmWaveIn& operator=(const WinmmWaveIn&) = delete;

    void allowConcurrentOpens() override;

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                        std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) override;
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInStart(HWAVEIN handle) override;
    MMRESULT waveInReset(HWAVEIN handle) override;
    // Stops the device and releases the headers still prepared on it before closing, so that a close
    // after a failed stop still leaves no buffer the device could write into.
    MMRESULT waveInClose(HWAVEIN handle) override;
    // winmm, opened as the program opens it (no callback, no event), tells nothing as it records: the
    // header is looked at again and again, every half millisecond.
    void awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                       std::chrono::steady_clock::time_point deadline) override;

    std::vector<CaptureDeviceInfo> captureDevices() override;

private:
    struct OpenDevice {
        unsigned deviceId;
        std::set<WAVEHDR*> prepared;
    };

    OpenDevice* find(HWAVEIN handle);
    // The checks of every call on a header, under the lock: a handle this layer opened and a whole header.
    // Then the call runs on the handle's device.
    template <typename Call>
    MMRESULT onHeader(HWAVEIN handle, const WAVEHDR* header, unsigned headerSize, Call call);
    bool deviceInUse(unsigned deviceId) const;

    std::mutex mutex_;
    bool concurrentOpens_ = false;
    std::map<HWAVEIN, OpenDevice> devices_;
};
