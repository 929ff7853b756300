// The layout winmm_calls.h names, checked against the WAVEHDR and WAVEFORMATEX in scope where this is
// included: the program's own records in WinmmWaveIn.cpp, the system's in winmm_calls.cpp. Both pass
// these checks, so a record handed across is read the same on either side.
#pragma once

#include "platform/wave_in/windows/winmm_calls.h"

#include <cstddef>

static_assert(sizeof(WAVEHDR) == winmm::kHeaderSize);
static_assert(offsetof(WAVEHDR, dwBufferLength) == winmm::kHeaderBufferLengthOffset);
static_assert(offsetof(WAVEHDR, dwBytesRecorded) == winmm::kHeaderBytesRecordedOffset);
static_assert(offsetof(WAVEHDR, dwFlags) == winmm::kHeaderFlagsOffset);
static_assert(offsetof(WAVEHDR, lpNext) == winmm::kHeaderNextOffset);
static_assert(sizeof(WAVEFORMATEX) == winmm::kFormatSize);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == winmm::kFormatAvgBytesOffset);
static_assert(offsetof(WAVEFORMATEX, cbSize) == winmm::kFormatExtraSizeOffset);
