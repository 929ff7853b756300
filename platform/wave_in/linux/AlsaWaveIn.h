// The wave-input layer on alsa-lib: the program's capture devices on Linux. Device 0 is ALSA's `default`
// PCM, opened afresh at each open, so a sound server that came back or a device plugged in is found by the
// next open; nothing is opened or listed before that.
#pragma once

#include "platform/wave_in/CaptureSystem.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

class AlsaWaveIn : public CaptureSystem {
public:
    // How long a request waits for the thread that owns the device: longer than any healthy open or start
    // (tens of milliseconds, some hundreds under a sanitizer or with a dozen opens at once), and no longer
    // than the wait for a run's bytes: a press whose server stalls at the open ends within its deadline.
    static constexpr std::chrono::milliseconds kRequestBound{1000};
    // Opens side by side (allowConcurrentOpens) take turns, so each may wait for a dozen others.
    static constexpr std::chrono::milliseconds kSideBySideBound{10000};

    AlsaWaveIn();
    // Closes whatever is still open and waits a bounded time for every device thread to end. Buffers still
    // queued are left untouched: their owner may already have released them.
    ~AlsaWaveIn() override;
    AlsaWaveIn(const AlsaWaveIn&) = delete;
    AlsaWaveIn& operator=(const AlsaWaveIn&) = delete;

    void allowConcurrentOpens() override;
    // `default` first, then every PCM that ALSA's device name hints offer for capture; none is opened.
    std::vector<CaptureDeviceInfo> captureDevices() override;

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                        std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) override;
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInStart(HWAVEIN handle) override;
    MMRESULT waveInReset(HWAVEIN handle) override;
    MMRESULT waveInClose(HWAVEIN handle) override;

private:
    struct Stream;
    struct Open {
        std::shared_ptr<Stream> stream;
        std::string device;
    };

    std::shared_ptr<Stream> find(HWAVEIN handle);
    MMRESULT markPrepared(HWAVEIN handle, WAVEHDR* header, unsigned headerSize, bool prepared);

    bool concurrentOpens_ = false;
    // Keyed by the handle's value; values are never reused, so a stale handle is simply unknown.
    std::map<std::uintptr_t, Open> opens_;
    // Closed streams whose thread may still be closing the device.
    std::vector<std::weak_ptr<Stream>> closing_;
};
