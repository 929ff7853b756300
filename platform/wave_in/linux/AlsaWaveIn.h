// The wave-input layer on alsa-lib: the program's capture devices on Linux. Device 0 is ALSA's `default`
// PCM, opened afresh at each open, so a sound server that came back or a device plugged in is found by the
// next open; nothing is opened or listed before that.
#pragma once

#include "platform/wave_in/CaptureSystem.h"

#include <chrono>
#include <map>
#include <memory>
#include <vector>

class AlsaWaveIn : public CaptureSystem {
public:
    // How long a request waits for the device's thread: longer than any healthy open or start (tens of
    // milliseconds, hundreds under a sanitizer), no longer than the wait for a run's bytes.
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

    // A device stays in use until its thread has closed it: an open of a device whose earlier stream is
    // still ending (a close, or an open that outlived its bound) waits for it within its own bound.
    MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                        std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) override;
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInStart(HWAVEIN handle) override;
    MMRESULT waveInReset(HWAVEIN handle) override;
    MMRESULT waveInClose(HWAVEIN handle) override;
    void awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                       std::chrono::steady_clock::time_point deadline) override;

private:
    struct Stream;
    // Keyed by the handle's value; values are never reused, so a stale handle is simply unknown.
    using Opens = std::map<std::uintptr_t, std::shared_ptr<Stream>>;

    std::shared_ptr<Stream> find(HWAVEIN handle);
    MMRESULT markPrepared(HWAVEIN handle, WAVEHDR* header, unsigned headerSize, bool prepared);
    // Under the shared lock: the handle goes and its device is no longer held, unless buffers are still
    // queued and not to be forgotten; the thread closes the device on its own.
    MMRESULT retire(Opens::iterator open, bool forgetQueued);

    bool concurrentOpens_ = false;
    Opens opens_;
    // Streams closed, or whose open failed, whose thread may still be at work on the device.
    std::vector<std::weak_ptr<Stream>> ending_;
};
