#include "capture/capture_test.h"

#include "capture/live_trace.h"

#include <cstdio>
#include <string>
#include <string_view>

CaptureSession g_captureSession;

namespace {

constexpr unsigned kFirstDevice = 0;
constexpr int kStatusX = 40;
constexpr int kOpenMessageY = 300;
constexpr int kBufferMessageY = 320;
constexpr int kCountLineY = 340;

constexpr std::string_view kUnknownError = "Erreur Inconnue ";
constexpr std::string_view kNoDriver = "No device driver is present.";
constexpr std::string_view kNoMemory = "Unable to allocate or lock memory.";
// Wide enough in any font to cover the digits of a longer count line drawn there before.
constexpr std::string_view kCountLinePadding = "          ";

std::string_view open_message(MMRESULT result) {
    switch (result & 0xFFFFu) {
    case MMSYSERR_NOERROR:
        return "Successful                                                 ";
    case MMSYSERR_BADDEVICEID:
        return "Specified device identifier is out of range.";
    case MMSYSERR_ALLOCATED:
        return "Specified resource is already allocated.";
    case MMSYSERR_NODRIVER:
        return kNoDriver;
    case MMSYSERR_NOMEM:
        return kNoMemory;
    case WAVERR_BADFORMAT:
        return "Attempted to open with an unsupported waveform-audio format.";
    default:
        return kUnknownError;
    }
}

std::string_view buffer_message(MMRESULT result) {
    switch (result) {
    case MMSYSERR_NOERROR:
        return "Reussi  buffer";
    case MMSYSERR_INVALHANDLE:
        return "Specified device handle is invalid.";
    case MMSYSERR_NODRIVER:
        return kNoDriver;
    case MMSYSERR_NOMEM:
        return kNoMemory;
    case WAVERR_UNPREPARED:
        return "The buffer pointed to by the pwh parameter hasn't been prepared.";
    default:
        return kUnknownError; // a queueing that failed for another reason is no success
    }
}

std::string count_line(std::uint32_t bytesRecorded) {
    char text[32];
    std::snprintf(text, sizeof text, "Nbr %d", static_cast<int>(bytesRecorded));
    return std::string(text) + std::string(kCountLinePadding);
}

// Leaves the device silent and closed however the test ends, so it never writes into the panel's
// buffer afterwards and the next test finds the header free.
class DeviceReleaser {
public:
    DeviceReleaser(WaveInApi& device, CaptureSession& session) : device_(device), session_(session) {}
    ~DeviceReleaser() {
        device_.waveInReset(session_.handle);
        device_.waveInUnprepareHeader(session_.handle, &session_.header, kWaveHdrSize);
        device_.waveInClose(session_.handle);
    }
    DeviceReleaser(const DeviceReleaser&) = delete;
    DeviceReleaser& operator=(const DeviceReleaser&) = delete;

private:
    WaveInApi& device_;
    CaptureSession& session_;
};

void point_header_at(WAVEHDR& header, CaptureBuffer& buffer) {
    header.lpData = buffer.data();
    header.dwBufferLength = kCaptureLength;
    header.dwUser = 0;
    header.dwFlags.store(0);
}

} // namespace

void run_capture_test(WaveInApi& device, DrawingTarget& panel, const WAVEFORMATEX& format,
                      CaptureBuffer& buffer, CaptureSession& session,
                      std::chrono::milliseconds deliveryMargin) {
    const std::unique_ptr<DrawingSurface> surface = panel.createSurface();
    session.header.dwBytesRecorded.store(0); // the count line reports this test's bytes only

    // No callback, no notification: the test watches the header as the device fills the buffer.
    const MMRESULT opened = device.waveInOpen(&session.handle, kFirstDevice, &format, CALLBACK_NULL, 0, 0);
    const DeviceReleaser releaser(device, session);
    surface->drawText(kStatusX, kOpenMessageY, open_message(opened));

    point_header_at(session.header, buffer);
    if (device.waveInPrepareHeader(session.handle, &session.header, kWaveHdrSize) == MMSYSERR_NOERROR) {
        const MMRESULT queued = device.waveInAddBuffer(session.handle, &session.header, kWaveHdrSize);
        surface->drawText(kStatusX, kBufferMessageY, buffer_message(queued));
    }
    const auto deadline = DeliveryWait::deadlineFor(format, kCaptureLength, deliveryMargin);
    if (device.waveInStart(session.handle) == MMSYSERR_NOERROR) {
        draw_live_trace(*surface, buffer, DeliveryWait(session.header, deadline));
    }
    surface->drawText(kStatusX, kCountLineY, count_line(session.header.dwBytesRecorded.load()));
}
