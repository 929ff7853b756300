#include "probe/signal_figures.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kFullScale8 = 128.0;
constexpr double kFullScale16 = 32768.0;
constexpr int kSilence8 = 128;

struct Sample {
    double value; // fraction of full scale
    bool clipped;
};

Sample sample_at(std::span<const std::uint8_t> bytes, std::size_t index, std::uint16_t bits) {
    if (bits == 8) {
        const int byte = bytes[index];
        return {(byte - kSilence8) / kFullScale8, byte == 0 || byte == 255};
    }
    const auto value = static_cast<std::int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
    return {value / kFullScale16, value == INT16_MIN || value == INT16_MAX};
}

} // namespace

SignalFigures measure_signal(std::span<const std::uint8_t> bytes, std::uint16_t bitsPerSample) {
    SignalFigures figures;
    const std::size_t count = bitsPerSample == 8 ? bytes.size() : bytes.size() / 2;
    if (count == 0) {
        return figures;
    }
    double sum = 0;
    double sumOfSquares = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Sample sample = sample_at(bytes, i, bitsPerSample);
        figures.peak = std::max(figures.peak, std::abs(sample.value));
        sum += sample.value;
        sumOfSquares += sample.value * sample.value;
        figures.clipped += sample.clipped ? 1 : 0;
    }
    figures.samples = static_cast<std::uint32_t>(count);
    figures.dcOffset = sum / count;
    figures.rms = std::sqrt(sumOfSquares / count);
    return figures;
}

std::optional<double> to_dbfs(double fraction) {
    if (fraction <= 0) {
        return std::nullopt;
    }
    return 20.0 * std::log10(fraction);
}

Verdict verdict_for(const SignalFigures& figures) {
    if (figures.samples == 0) {
        return Verdict::noData;
    }
    if (figures.clipped > 0) {
        return Verdict::clipping;
    }
    const std::optional<double> peak = to_dbfs(figures.peak);
    return peak && *peak >= kSilenceThresholdDbfs ? Verdict::signal : Verdict::silent;
}

std::string_view verdict_name(Verdict verdict) {
    switch (verdict) {
    case Verdict::signal:
        return "signal";
    case Verdict::silent:
        return "silent";
    case Verdict::clipping:
        return "clipping";
    case Verdict::noData:
        break;
    }
    return "no data";
}
