// The fixed lists the user chooses a capture format from. Lists are matched by position: the n-th entry
// shown is the n-th entry here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::size_t kFormatRowCount = 46;
inline constexpr std::size_t kRateCount = 3;
inline constexpr std::size_t kBitDepthCount = 2;
inline constexpr std::size_t kChannelCount = 2;

// Each lookup takes a position the controls report for a selected entry; a position outside the list
// (such as -1 for no selection) answers an empty text and a value of 0.
std::string_view format_row_text(int row);
std::uint16_t format_row_tag(int row);
std::uint16_t format_row_extra_size(int row);

std::string_view rate_text(int position);
std::uint32_t rate_value(int position);

std::string_view bit_depth_text(int position);
std::uint16_t bit_depth_value(int position);

std::string_view channel_text(int position);
std::uint16_t channel_value(int position);
