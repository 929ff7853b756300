// One recording of one buffer as a sequence of device requests: open, prepare and queue, start, wait for
// the bytes, and on the way out stop, release and close. The window's TEST draws between the steps;
// varnel-probe times them. Both make the same requests in the same order.
#pragma once

#include "capture/DeliveryWait.h"
#include "platform/wave_in/WaveInApi.h"
#include "platform/wave_in/wave_types.h"

#include <chrono>
#include <cstdint>
#include <optional>

// The device handle and the header of the one buffer of a run.
struct CaptureSession {
    HWAVEIN handle = nullptr;
    WAVEHDR header;
};

class CaptureRun {
public:
    // The system's default capture device.
    static constexpr unsigned kDefaultDevice = 0;

    // A run of `length` bytes into `buffer` (which must outlive the run) from device `deviceId`. The
    // header's count is cleared at once, so that what is reported is this run's bytes only.
    CaptureRun(WaveInApi& device, CaptureSession& session, const WAVEFORMATEX& format, CaptureByte* buffer,
               std::uint32_t length, unsigned deviceId = kDefaultDevice);
    // Once the open was requested: stops the device, releases the header and closes the device, so that
    // it never writes into the buffer afterwards and the next run finds the header free. Results ignored.
    ~CaptureRun();
    CaptureRun(const CaptureRun&) = delete;
    CaptureRun& operator=(const CaptureRun&) = delete;

    // No callback, no notification: the run watches the header as the device fills the buffer.
    MMRESULT open();
    // Points the header at the buffer and prepares it; only when that works is the buffer queued. Answers
    // the queueing's result, or nothing when the preparation failed.
    std::optional<MMRESULT> queue();
    // Requests the start, whatever came before; true when the device records. The wait for the bytes is
    // bounded by the recording's duration plus `deliveryMargin` from the moment the device was open, so
    // that a slow start (a sound server that stalls) eats into the wait instead of adding to it.
    bool start(std::chrono::milliseconds deliveryMargin = DeliveryWait::kMargin);
    // Waits for the bytes of this run, up to the deadline set by start().
    DeliveryWait delivery() const {
        return DeliveryWait(device_, session_.handle, session_.header, deadline_);
    }
    std::uint32_t bytesRecorded() const;

private:
    WaveInApi& device_;
    CaptureSession& session_;
    const WAVEFORMATEX& format_;
    CaptureByte* buffer_;
    std::uint32_t length_;
    unsigned deviceId_;
    bool openRequested_ = false;
    DeliveryWait::Clock::time_point opened_ = DeliveryWait::Clock::now();
    DeliveryWait::Clock::time_point deadline_{};
};
