#include "capture/CaptureRun.h"

CaptureRun::CaptureRun(WaveInApi& device, CaptureSession& session, const WAVEFORMATEX& format,
                       CaptureByte* buffer, std::uint32_t length, unsigned deviceId)
    : device_(device), session_(session), format_(format), buffer_(buffer), length_(length),
      deviceId_(deviceId) {
    session_.header.dwBytesRecorded.store(0);
}

CaptureRun::~CaptureRun() {
    if (!openRequested_) {
        return;
    }
    device_.waveInReset(session_.handle);
    device_.waveInUnprepareHeader(session_.handle, &session_.header, kWaveHdrSize);
    device_.waveInClose(session_.handle);
}

MMRESULT CaptureRun::open() {
    openRequested_ = true;
    const MMRESULT result = device_.waveInOpen(&session_.handle, deviceId_, &format_, CALLBACK_NULL, 0, 0);
    opened_ = DeliveryWait::Clock::now();
    return result;
}

std::optional<MMRESULT> CaptureRun::queue() {
    WAVEHDR& header = session_.header;
    header.lpData = buffer_;
    header.dwBufferLength = length_;
    header.dwUser = 0;
    header.dwFlags.store(0);
    if (device_.waveInPrepareHeader(session_.handle, &header, kWaveHdrSize) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    return device_.waveInAddBuffer(session_.handle, &header, kWaveHdrSize);
}

bool CaptureRun::start(std::chrono::milliseconds deliveryMargin) {
    deadline_ = DeliveryWait::deadlineFor(format_, length_, deliveryMargin, opened_);
    return device_.waveInStart(session_.handle) == MMSYSERR_NOERROR;
}

std::uint32_t CaptureRun::bytesRecorded() const {
    return session_.header.dwBytesRecorded.load();
}
