#include "panel/apply_step.h"

#include "format/capture_format.h"
#include "format/catalogues.h"

#include <cstdio>

namespace {

constexpr int kSummaryX = 80;
constexpr int kSummaryY = 96;
constexpr int kNumbersX = 150;
constexpr int kNumbersY = 150;
constexpr const char* kNumbersFormat = " %5d  %d  %d ";

} // namespace

std::string summary_line(const PanelSelections& selections) {
    return selections.formatText + " " + selections.rateText + " " + selections.channelText + " " +
           selections.bitDepthText;
}

std::string numbers_line(const WAVEFORMATEX& format) {
    const int rate = static_cast<int>(format.nSamplesPerSec);
    const int bits = format.wBitsPerSample;
    const int channels = format.nChannels;
    const int length = std::snprintf(nullptr, 0, kNumbersFormat, rate, bits, channels);
    std::string line(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(line.data(), line.size(), kNumbersFormat, rate, bits, channels);
    line.resize(static_cast<std::size_t>(length));
    return line;
}

std::vector<std::string> apply_selections(const PanelSelections& selections, WAVEFORMATEX& format,
                                          DrawingTarget& panel) {
    const std::string summary = summary_line(selections);
    const std::unique_ptr<DrawingSurface> surface = panel.createSurface();
    surface->drawText(kSummaryX, kSummaryY, summary);
    if (!format_row_text(selections.formatRow).empty()) { // a list with no selected row keeps the last one
        format.wFormatTag = format_row_tag(selections.formatRow);
        format.cbSize = format_row_extra_size(selections.formatRow);
    }
    recompute_derived_fields(format);
    const std::string numbers = numbers_line(format);
    surface->drawText(kNumbersX, kNumbersY, numbers);
    return {summary, numbers};
}

bool choose_rate(int position, WAVEFORMATEX& format) {
    if (rate_text(position).empty()) {
        return false;
    }
    format.nSamplesPerSec = rate_value(position);
    return true;
}

bool choose_bit_depth(int position, WAVEFORMATEX& format) {
    if (bit_depth_text(position).empty()) {
        return false;
    }
    format.wBitsPerSample = bit_depth_value(position);
    return true;
}

bool choose_channels(int position, WAVEFORMATEX& format) {
    if (channel_text(position).empty()) {
        return false;
    }
    format.nChannels = channel_value(position);
    return true;
}
