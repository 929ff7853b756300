// The one capture format the program works with, its default and the rule for its derived fields.
#pragma once

#include "platform/wave_in/wave_types.h"

#include <vector>

// The program-wide record: zero at load, set to the default by the panel's setup.
extern WAVEFORMATEX g_captureFormat;

// PCM, one channel, 11025 Hz, 8 bits, no extra bytes, with consistent derived fields.
void set_default_format(WAVEFORMATEX& format);

// nBlockAlign from channels and bits, then nAvgBytesPerSec from nBlockAlign and the rate.
void recompute_derived_fields(WAVEFORMATEX& format);

// A PCM record of the given rate, bits and channels with consistent derived fields.
WAVEFORMATEX pcm_format(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels);

// The PCM formats the window's three boxes offer: rate by rate, then bits, then channels.
std::vector<WAVEFORMATEX> window_pcm_formats();
