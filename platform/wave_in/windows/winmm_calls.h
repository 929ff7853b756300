// The wave-input calls of winmm, in plain types: the program's own record types share their names with
// <windows.h>, so the system header is kept to winmm_calls.cpp. Records pass through as their bytes, laid
// out as the system's (the offsets below are checked against both sides).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace winmm {

// The 64-bit WAVEHDR: where the device writes its count and its flags.
inline constexpr std::size_t kHeaderSize = 48;
inline constexpr std::size_t kHeaderBufferLengthOffset = 8;
inline constexpr std::size_t kHeaderBytesRecordedOffset = 12;
inline constexpr std::size_t kHeaderFlagsOffset = 24;
inline constexpr std::size_t kHeaderNextOffset = 32;
// The packed 18-byte WAVEFORMATEX.
inline constexpr std::size_t kFormatSize = 18;
inline constexpr std::size_t kFormatAvgBytesOffset = 8;
inline constexpr std::size_t kFormatExtraSizeOffset = 16;

using Handle = void*;

// Device `deviceId`, no callback: the caller watches the header.
std::uint32_t open(Handle* handle, unsigned deviceId, const void* format);
std::uint32_t prepare(Handle handle, void* header);
std::uint32_t unprepare(Handle handle, void* header);
std::uint32_t add_buffer(Handle handle, void* header);
std::uint32_t start(Handle handle);
std::uint32_t reset(Handle handle);
std::uint32_t close(Handle handle);

struct DeviceCaps {
    std::string name;
    unsigned channels = 0;
    std::uint32_t formats = 0; // the WAVE_FORMAT_* bits of the standard formats the device takes
};

unsigned device_count();
bool device_caps(unsigned deviceId, DeviceCaps& caps);

} // namespace winmm
