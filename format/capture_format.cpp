#include "format/capture_format.h"

#include "format/catalogues.h"

#include <cstdint>

WAVEFORMATEX g_captureFormat{};

void set_default_format(WAVEFORMATEX& format) {
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.wBitsPerSample = 8;
    format.cbSize = 0;
    recompute_derived_fields(format);
}

void recompute_derived_fields(WAVEFORMATEX& format) {
    // The block size is worked out as 32-bit signed arithmetic that wraps, as the stored format has always
    // held it: the exact product, taken modulo 2^32 into the signed range (defined since C++20), divided
    // toward zero and kept to 16 bits. The rate product keeps its low 32 bits.
    const auto channelsTimesBits =
        static_cast<std::int32_t>(std::int64_t{format.nChannels} * std::int64_t{format.wBitsPerSample});
    const std::int32_t blockAlign = channelsTimesBits / 8;
    format.nBlockAlign = static_cast<std::uint16_t>(blockAlign);
    format.nAvgBytesPerSec =
        static_cast<std::uint32_t>(std::uint64_t{format.nBlockAlign} * format.nSamplesPerSec);
}

WAVEFORMATEX pcm_format(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    WAVEFORMATEX format{};
    set_default_format(format);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nChannels = channels;
    recompute_derived_fields(format);
    return format;
}

std::vector<WAVEFORMATEX> window_pcm_formats() {
    std::vector<WAVEFORMATEX> formats;
    for (std::size_t r = 0; r < kRateCount; ++r) {
        for (std::size_t b = 0; b < kBitDepthCount; ++b) {
            for (std::size_t c = 0; c < kChannelCount; ++c) {
                formats.push_back(pcm_format(rate_value(static_cast<int>(r)),
                                             bit_depth_value(static_cast<int>(b)),
                                             channel_value(static_cast<int>(c))));
            }
        }
    }
    return formats;
}
