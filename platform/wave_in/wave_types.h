// Records and result codes of the wave-input layer, laid out as the program has always used them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

using MMRESULT = std::uint32_t;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The 18-byte format record handed to the device. Packed so that its size and offsets are the ones
// readers of this record expect; the device layer never reads past it, whatever cbSize announces.
struct [[gnu::packed]] WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

// The device writes captured bytes from its own thread while the window reads them for the trace;
// relaxed atomics make that sharing well defined without a lock the audio thread could stall on.
using CaptureByte = std::atomic<std::uint8_t>;

inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

// Header of one capture buffer. dwBytesRecorded and dwFlags are written by the device thread.
struct WAVEHDR {
    CaptureByte* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    std::atomic<std::uint32_t> dwBytesRecorded{0};
    std::uintptr_t dwUser = 0;
    std::atomic<std::uint32_t> dwFlags{0};
    std::uint32_t dwLoops = 0;
    WAVEHDR* lpNext = nullptr;
    std::uintptr_t reserved = 0;
};

inline constexpr unsigned kWaveHdrSize = sizeof(WAVEHDR);

// Whether a wait for `bytes` recorded bytes in `header` is over: they are there, or the buffer is not (or no
// longer) queued and gets nothing more.
inline bool recorded_or_returned(const WAVEHDR& header, std::uint32_t bytes) {
    return header.dwBytesRecorded.load(std::memory_order_acquire) >= bytes ||
           (header.dwFlags.load(std::memory_order_acquire) & WHDR_INQUEUE) == 0;
}

// Opaque device handle; each implementation of the layer decides what it points at.
struct HWAVEIN__;
using HWAVEIN = HWAVEIN__*;

inline constexpr unsigned WAVE_MAPPER = 0xFFFFFFFFu;
inline constexpr std::uint32_t CALLBACK_NULL = 0;
