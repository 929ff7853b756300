#include "format/capture_format.h"

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
    // Signed 32-bit arithmetic on the 16-bit fields, kept to 16 bits; the product keeps its low 32 bits.
    const std::int32_t blockAlign = std::int32_t{format.nChannels} * std::int32_t{format.wBitsPerSample} / 8;
    format.nBlockAlign = static_cast<std::uint16_t>(blockAlign);
    format.nAvgBytesPerSec =
        static_cast<std::uint32_t>(std::uint64_t{format.nBlockAlign} * format.nSamplesPerSec);
}
