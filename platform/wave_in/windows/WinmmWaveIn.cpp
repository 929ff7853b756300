#include "platform/wave_in/windows/WinmmWaveIn.h"

#include "platform/wave_in/windows/record_layout_checks.h"
#include "platform/wave_in/windows/winmm_calls.h"

#include <array>
#include <thread>
#include <utility>

// The device writes the count and the flags as plain 32-bit words.
static_assert(sizeof(WAVEHDR::dwBytesRecorded) == 4 && sizeof(WAVEHDR::dwFlags) == 4);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

namespace {

constexpr const char* kHostApi = "MME";
// Far below a device's period and the time one pass of the trace takes to draw, so the trace follows the data
// as it comes.
constexpr std::chrono::microseconds kLookAgain{500};

// The rate a device's standard formats name first, in the order a capture check would pick them.
constexpr std::array<std::pair<std::uint32_t, double>, 5> kRateOfFormats{{
    {0x00F00, 44100}, // WAVE_FORMAT_4M08 .. WAVE_FORMAT_4S16
    {0x0F000, 48000}, // WAVE_FORMAT_48M08 .. WAVE_FORMAT_48S16
    {0xF0000, 96000}, // WAVE_FORMAT_96M08 .. WAVE_FORMAT_96S16
    {0x000F0, 22050}, // WAVE_FORMAT_2M08 .. WAVE_FORMAT_2S16
    {0x0000F, 11025}, // WAVE_FORMAT_1M08 .. WAVE_FORMAT_1S16
}};

double default_rate(std::uint32_t formats) {
    for (const auto& [bits, rate] : kRateOfFormats) {
        if ((formats & bits) != 0) {
            return rate;
        }
    }
    return 0;
}

bool header_usable(const WAVEHDR* header, unsigned headerSize) {
    return header != nullptr && headerSize >= kWaveHdrSize;
}

// Keeps a device's set of prepared headers in step with what the system answered; hands the answer on.
MMRESULT keep_in_step(MMRESULT result, std::set<WAVEHDR*>& prepared, WAVEHDR* header, bool nowPrepared) {
    if (result != MMSYSERR_NOERROR) {
        return result;
    }
    if (nowPrepared) {
        prepared.insert(header);
    } else {
        prepared.erase(header);
    }
    return result;
}

winmm::Handle native(HWAVEIN handle) {
    return handle;
}

} // namespace

WinmmWaveIn::~WinmmWaveIn() {
    for (const auto& [handle, device] : devices_) {
        if (device.prepared.empty()) {
            winmm::close(native(handle));
        }
    }
}

void WinmmWaveIn::allowConcurrentOpens() {
    const std::lock_guard lock(mutex_);
    concurrentOpens_ = true;
}

MMRESULT WinmmWaveIn::waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                 std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
    if (handle == nullptr || format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (callback != 0 || instance != 0 || flags != CALLBACK_NULL) {
        return MMSYSERR_INVALFLAG;
    }
    // The system reads cbSize more bytes after a record that is not PCM; the caller's record is 18 bytes.
    WAVEFORMATEX record = *format;
    record.cbSize = 0;
    const std::lock_guard lock(mutex_);
    if (!concurrentOpens_ && deviceInUse(deviceId)) {
        return MMSYSERR_ALLOCATED;
    }
    winmm::Handle opened = nullptr;
    const MMRESULT result = winmm::open(&opened, deviceId, &record);
    // A failed open leaves no handle behind: the system may give a stale one's value to the next open.
    *handle = result == MMSYSERR_NOERROR ? static_cast<HWAVEIN>(opened) : nullptr;
    if (result == MMSYSERR_NOERROR) {
        devices_.emplace(*handle, OpenDevice{deviceId, {}});
    }
    return result;
}

template <typename Call>
MMRESULT WinmmWaveIn::onHeader(HWAVEIN handle, const WAVEHDR* header, unsigned headerSize, Call call) {
    const std::lock_guard lock(mutex_);
    OpenDevice* device = find(handle);
    if (device == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!header_usable(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    return call(*device);
}

MMRESULT WinmmWaveIn::waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return onHeader(handle, header, headerSize, [&](OpenDevice& device) {
        return keep_in_step(winmm::prepare(native(handle), header), device.prepared, header, true);
    });
}

MMRESULT WinmmWaveIn::waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return onHeader(handle, header, headerSize, [&](OpenDevice& device) {
        return keep_in_step(winmm::unprepare(native(handle), header), device.prepared, header, false);
    });
}

MMRESULT WinmmWaveIn::waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return onHeader(handle, header, headerSize,
                    [&](OpenDevice&) { return winmm::add_buffer(native(handle), header); });
}

MMRESULT WinmmWaveIn::waveInStart(HWAVEIN handle) {
    const std::lock_guard lock(mutex_);
    return find(handle) == nullptr ? MMSYSERR_INVALHANDLE : winmm::start(native(handle));
}

MMRESULT WinmmWaveIn::waveInReset(HWAVEIN handle) {
    const std::lock_guard lock(mutex_);
    return find(handle) == nullptr ? MMSYSERR_INVALHANDLE : winmm::reset(native(handle));
}

MMRESULT WinmmWaveIn::waveInClose(HWAVEIN handle) {
    const std::lock_guard lock(mutex_);
    OpenDevice* device = find(handle);
    if (device == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    winmm::reset(native(handle));
    for (auto header = device->prepared.begin(); header != device->prepared.end();) {
        header = winmm::unprepare(native(handle), *header) == MMSYSERR_NOERROR
                     ? device->prepared.erase(header)
                     : std::next(header);
    }
    const MMRESULT result = winmm::close(native(handle));
    if (result == MMSYSERR_NOERROR) {
        devices_.erase(handle);
    }
    return result;
}

void WinmmWaveIn::awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                                std::chrono::steady_clock::time_point deadline) {
    {
        const std::lock_guard lock(mutex_);
        if (find(handle) == nullptr) {
            return;
        }
    }
    while (!recorded_or_returned(header, bytes) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kLookAgain);
    }
}

std::vector<CaptureDeviceInfo> WinmmWaveIn::captureDevices() {
    std::vector<CaptureDeviceInfo> devices;
    const unsigned count = winmm::device_count();
    for (unsigned id = 0; id < count; ++id) {
        winmm::DeviceCaps caps;
        if (!winmm::device_caps(id, caps)) {
            break; // element i must stay device id i
        }
        devices.push_back(CaptureDeviceInfo{caps.name, kHostApi, static_cast<int>(caps.channels),
                                            default_rate(caps.formats), id == 0});
    }
    return devices;
}

WinmmWaveIn::OpenDevice* WinmmWaveIn::find(HWAVEIN handle) {
    const auto found = devices_.find(handle);
    return found == devices_.end() ? nullptr : &found->second;
}

bool WinmmWaveIn::deviceInUse(unsigned deviceId) const {
    for (const auto& [handle, device] : devices_) {
        if (device.deviceId == deviceId) {
            return true;
        }
    }
    return false;
}
