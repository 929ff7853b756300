// What a recorded buffer carries: its level in dBFS, its DC offset, its clipped samples and a verdict.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Samples are read as the device delivers them: 8-bit unsigned with silence at 128, 16-bit signed
// little-endian; channels interleaved and measured together. Full scale is 128 and 32768.
struct SignalFigures {
    std::uint32_t samples = 0;
    // Fractions of full scale: the largest magnitude and the root mean square (0 to 1), the mean (-1 to 1).
    double peak = 0;
    double rms = 0;
    double dcOffset = 0;
    // Samples at either end of the format's range (8-bit 0 or 255, 16-bit -32768 or 32767).
    std::uint32_t clipped = 0;
};

// Below this peak an input is silent: a muted or unplugged input reads far lower, and 8-bit samples
// cannot show anything quieter than one step (-42.1 dBFS) anyway.
inline constexpr double kSilenceThresholdDbfs = -60.0;

enum class Verdict { signal, silent, clipping, noData };

// Whole samples of `bytes` only; a trailing odd byte of 16-bit audio is left out.
SignalFigures measure_signal(std::span<const std::uint8_t> bytes, std::uint16_t bitsPerSample);

// 20 log10 of a fraction of full scale; nothing for 0, which has no level in decibels.
std::optional<double> to_dbfs(double fraction);

// no data: no samples; clipping: any sample clipped; silent: peak below the threshold; signal otherwise.
Verdict verdict_for(const SignalFigures& figures);

// "signal", "silent", "clipping", "no data".
std::string_view verdict_name(Verdict verdict);
