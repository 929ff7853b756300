#include "platform/wave_in/windows/winmm_calls.h"

#include <windows.h>

#include <mmsystem.h>

// After the system header: these check its records.
#include "platform/wave_in/windows/record_layout_checks.h"

namespace winmm {

namespace {

HWAVEIN native(Handle handle) {
    return static_cast<HWAVEIN>(handle);
}

LPWAVEHDR native_header(void* header) {
    return static_cast<LPWAVEHDR>(header);
}

} // namespace

std::uint32_t open(Handle* handle, unsigned deviceId, const void* format) {
    HWAVEIN opened = nullptr;
    const MMRESULT result =
        ::waveInOpen(&opened, deviceId, static_cast<const WAVEFORMATEX*>(format), 0, 0, CALLBACK_NULL);
    *handle = opened;
    return result;
}

std::uint32_t prepare(Handle handle, void* header) {
    return ::waveInPrepareHeader(native(handle), native_header(header), sizeof(WAVEHDR));
}

std::uint32_t unprepare(Handle handle, void* header) {
    return ::waveInUnprepareHeader(native(handle), native_header(header), sizeof(WAVEHDR));
}

std::uint32_t add_buffer(Handle handle, void* header) {
    return ::waveInAddBuffer(native(handle), native_header(header), sizeof(WAVEHDR));
}

std::uint32_t start(Handle handle) {
    return ::waveInStart(native(handle));
}

std::uint32_t reset(Handle handle) {
    return ::waveInReset(native(handle));
}

std::uint32_t close(Handle handle) {
    return ::waveInClose(native(handle));
}

unsigned device_count() {
    return ::waveInGetNumDevs();
}

bool device_caps(unsigned deviceId, DeviceCaps& caps) {
    WAVEINCAPSA found{};
    if (::waveInGetDevCapsA(deviceId, &found, sizeof found) != MMSYSERR_NOERROR) {
        return false;
    }
    caps.name = found.szPname;
    caps.channels = found.wChannels;
    caps.formats = found.dwFormats;
    return true;
}

} // namespace winmm
