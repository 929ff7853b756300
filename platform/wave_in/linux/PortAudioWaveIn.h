// The wave-input layer over PortAudio: the program's capture device on Linux.
#pragma once

#include "platform/wave_in/linux/AudioLibrary.h"
#include "platform/wave_in/CaptureSystem.h"

#include <portaudio.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

class PortAudioWaveIn : public CaptureSystem {
public:
    // Where a PortAudio error arose: while the library itself started, or while working with a device.
    // A host failure means "no usable audio system" in the first case and "this device failed" in the
    // second.
    enum class PaStage { initialise, device };

    // The result the layer reports for `error`; pure, so that every code's meaning can be checked.
    // `hostError` is the host's own error number behind paUnanticipatedHostError.
    static MMRESULT resultFor(PaError error, PaStage stage, long hostError = 0);
    // The result for a capture device that ALSA could not open (a negative error number).
    static MMRESULT resultForAlsaError(int error);
    // The result when the library lists no capture device, given how ALSA's default device failed to open.
    static MMRESULT resultForMissingDefault(int alsaDefaultError);
    // WAVERR_BADFORMAT for a record no capture device could honour, MMSYSERR_NOERROR otherwise. Reads
    // exactly the 18 bytes of the record.
    static MMRESULT checkFormat(const WAVEFORMATEX& format);

    // A press waits this long at most for the library's start; a start that hangs (another program's stale
    // lock in the audio server's shared memory) must leave the window usable.
    static constexpr std::chrono::milliseconds kLibraryStartBound{2000};

    // `libraryStartBound`: how long an open waits for the library's start before it answers that there
    // is no driver (and the next open tries again).
    explicit PortAudioWaveIn(std::chrono::milliseconds libraryStartBound = kLibraryStartBound);
    // Stops and closes whatever is still open. Buffers still queued are left untouched: their owner may
    // already have released them.
    ~PortAudioWaveIn() override;

    // Starts the audio library on a thread of its own, so that the first open does not wait for its
    // device probing. Opening starts it too, when nobody did.
    void startInBackground();
    // Lets this instance open a device that is open already, each open a stream of its own. A sound
    // server serves every stream; a device that takes one at a time still answers the second open with
    // MMSYSERR_ALLOCATED, from its host.
    void allowConcurrentOpens() override;
    PortAudioWaveIn(const PortAudioWaveIn&) = delete;
    PortAudioWaveIn& operator=(const PortAudioWaveIn&) = delete;

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                        std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) override;
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInStart(HWAVEIN handle) override;
    MMRESULT waveInReset(HWAVEIN handle) override;
    MMRESULT waveInClose(HWAVEIN handle) override;

    // Starts the library when nobody did, waiting for it as an open does.
    std::vector<CaptureDeviceInfo> captureDevices() override;

private:
    struct OpenDevice;

    MMRESULT openLocked(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX& format);
    MMRESULT openStream(OpenDevice& device, PaDeviceIndex index, const WAVEFORMATEX& format);
    OpenDevice* find(HWAVEIN handle) const;
    void closeDevice(OpenDevice& device);
    // The device list or the host failed us: the library is started again before the next open.
    MMRESULT refreshDevicesAfter(MMRESULT failure);
    void restartLibraryIfWanted();

    std::chrono::milliseconds libraryStartBound_;
    AudioLibrary library_;
    bool restartWanted_ = false;
    bool concurrentOpens_ = false;
    // Keyed by the handle's value; handles are never reused, so a stale one is simply unknown.
    std::map<std::uintptr_t, std::unique_ptr<OpenDevice>> devices_;
};
