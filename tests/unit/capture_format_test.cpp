#include "format/capture_format.h"
#include "format/catalogues.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

WAVEFORMATEX with(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate) {
    WAVEFORMATEX format{};
    set_default_format(format);
    format.nChannels = channels;
    format.wBitsPerSample = bits;
    format.nSamplesPerSec = rate;
    recompute_derived_fields(format);
    return format;
}

TEST(CaptureFormat, DefaultIsPcmMono11025At8BitsWithConsistentDerivedFields) {
    WAVEFORMATEX format;
    std::memset(&format, 0xAB, sizeof format);
    set_default_format(format);
    EXPECT_EQ(format.wFormatTag, 1);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.nSamplesPerSec, 11025u);
    EXPECT_EQ(format.wBitsPerSample, 8);
    EXPECT_EQ(format.cbSize, 0);
    EXPECT_EQ(format.nBlockAlign, 1);
    EXPECT_EQ(format.nAvgBytesPerSec, 11025u);
}

TEST(CaptureFormat, DerivedFieldsFollowChannelsBitsAndRate) {
    EXPECT_EQ(with(2, 16, 44100).nBlockAlign, 4);
    EXPECT_EQ(with(2, 16, 44100).nAvgBytesPerSec, 176400u);
    EXPECT_EQ(with(1, 16, 22050).nBlockAlign, 2);
    EXPECT_EQ(with(1, 16, 22050).nAvgBytesPerSec, 44100u);
    EXPECT_EQ(with(2, 8, 22050).nAvgBytesPerSec, 44100u);
    // Truncated toward zero, and the product keeps its low 32 bits.
    EXPECT_EQ(with(1, 4, 11025).nBlockAlign, 0);
    EXPECT_EQ(with(1, 12, 11025).nBlockAlign, 1);
    EXPECT_EQ(with(65535, 16, 0xFFFFFFFFu).nBlockAlign, static_cast<std::uint16_t>(65535 * 16 / 8));
    EXPECT_EQ(
        with(65535, 16, 0xFFFFFFFFu).nAvgBytesPerSec,
        static_cast<std::uint32_t>(std::uint64_t{static_cast<std::uint16_t>(65535 * 16 / 8)} * 0xFFFFFFFFu));
}

TEST(CaptureFormat, ProgramWideRecordStartsZero) {
    const WAVEFORMATEX zero{};
    EXPECT_EQ(std::memcmp(&g_captureFormat, &zero, sizeof zero), 0);
}

struct Row {
    std::size_t length;
    std::uint16_t tag;
    std::uint16_t extraSize;
};

// Length, tag and extra size of each format row, in list order.
const Row kRows[kFormatRowCount] = {
    {17, 1, 0},    {54, 1, 0},    {54, 2, 0},    {54, 3, 0},   {54, 4, 0},   {44, 0, 0},   {44, 2, 4},
    {44, 5, 0},    {44, 6, 0},    {44, 7, 0},    {44, 16, 0},  {44, 17, 4},  {44, 17, 4},  {45, 18, 4},
    {54, 19, 4},   {54, 20, 8},   {55, 21, 0},   {55, 22, 0},  {55, 23, 0},  {60, 32, 0},  {60, 33, 4},
    {60, 34, 36},  {60, 35, 0},   {60, 36, 0},   {60, 37, 0},  {60, 38, 0},  {60, 48, 4},  {60, 49, 4},
    {60, 51, 4},   {60, 52, 4},   {60, 53, 4},   {60, 54, 4},  {60, 55, 4},  {60, 56, 4},  {60, 57, 0},
    {60, 64, 4},   {60, 80, 44},  {60, 512, 4},  {60, 514, 4}, {60, 515, 4}, {60, 768, 4}, {60, 4096, 0},
    {60, 4097, 0}, {60, 4098, 0}, {60, 4099, 0}, {60, 4100, 0}};

TEST(Catalogues, FormatRowsHaveTheirLengthsTagsAndExtraSizes) {
    for (std::size_t row = 0; row < kFormatRowCount; ++row) {
        const int position = static_cast<int>(row);
        SCOPED_TRACE(row);
        EXPECT_EQ(format_row_text(position).size(), kRows[row].length);
        EXPECT_EQ(format_row_tag(position), kRows[row].tag);
        EXPECT_EQ(format_row_extra_size(position), kRows[row].extraSize);
        const std::string_view text = format_row_text(position);
        EXPECT_TRUE(text.starts_with("WAVE_FORMAT_") || text.starts_with("MM_CREATIVE_"));
    }
}

TEST(Catalogues, FormatTextsKeepTheirPaddingAndNamesExactly) {
    EXPECT_EQ(format_row_text(0), "WAVE_FORMAT_PCM  ");
    EXPECT_EQ(format_row_text(1), "MM_CREATIVE_SB15_WAVEIN    SB (r) 1.5 waveform input  ");
    EXPECT_EQ(format_row_text(13), "WAVE_FORMAT_MEDIASPACE_ADPCM Videologic      ");
    EXPECT_EQ(format_row_text(21), "WAVE_FORMAT_DSPGROUP_TRUESPEECH  DSP Group, Inc             ");
    EXPECT_EQ(format_row_text(36), "WAVE_FORMAT_MPEG       Microsoft Corporation                ");
    EXPECT_EQ(format_row_text(41), "WAVE_FORMAT_OLIGSM   Ing C. Olivetti & C., S.p.A.           ");
    EXPECT_EQ(format_row_text(45), "WAVE_FORMAT_OLIOPR   Ing C. Olivetti & C., S.p.A.           ");
    std::set<std::string_view> distinct;
    for (int row = 0; row < static_cast<int>(kFormatRowCount); ++row) {
        distinct.insert(format_row_text(row));
    }
    EXPECT_EQ(distinct.size(), kFormatRowCount); // rows sharing a tag keep their own text
}

TEST(Catalogues, RatesBitDepthsAndChannels) {
    EXPECT_EQ(rate_text(0), "11025");
    EXPECT_EQ(rate_text(1), "22050");
    EXPECT_EQ(rate_text(2), "44100");
    EXPECT_EQ(rate_value(0), 11025u);
    EXPECT_EQ(rate_value(1), 22050u);
    EXPECT_EQ(rate_value(2), 44100u);
    EXPECT_EQ(bit_depth_text(0), "8-bit");
    EXPECT_EQ(bit_depth_text(1), "16-bit");
    EXPECT_EQ(bit_depth_value(0), 8);
    EXPECT_EQ(bit_depth_value(1), 16);
    EXPECT_EQ(channel_text(0), "1");
    EXPECT_EQ(channel_text(1), "2");
    EXPECT_EQ(channel_value(0), 1);
    EXPECT_EQ(channel_value(1), 2);
}

TEST(Catalogues, PositionsOutsideAListAnswerNothing) {
    for (int position : {-1, -100}) {
        EXPECT_EQ(format_row_text(position), "");
        EXPECT_EQ(format_row_tag(position), 0);
        EXPECT_EQ(rate_value(position), 0u);
        EXPECT_EQ(bit_depth_value(position), 0);
        EXPECT_EQ(channel_value(position), 0);
    }
    EXPECT_EQ(format_row_text(46), "");
    EXPECT_EQ(rate_text(3), "");
    EXPECT_EQ(bit_depth_text(2), "");
    EXPECT_EQ(channel_value(2), 0);
}

} // namespace
