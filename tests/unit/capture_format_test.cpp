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

// Channels times bits wraps as 32-bit signed arithmetic and divides toward zero; worked by hand:
// 65535 x 65535 = 4294836225 = 2^32 - 131071, so -131071 / 8 = -16383, stored as 65536 - 16383 = 49153.
// Under the sanitizers an overflowing multiplication stops the test.
TEST(CaptureFormat, ExtremeChannelsAndBitsWrapWithoutOverflow) {
    struct Case {
        std::uint16_t channels, bits;
        std::uint32_t rate;
        std::uint16_t blockAlign;
        std::uint32_t avgBytesPerSec;
    };
    const Case cases[] = {
        {65535, 65535, 1, 49153, 49153},
        {65535, 65535, 0xFFFFFFFFu, 49153, 0xFFFFFFFFu - 49152}, // 49153 x (2^32 - 1) keeps -49153
        {32768, 65535, 2, 61440, 122880}, // 2^31 - 2^15 stays positive: / 8, low 16 bits
        {65535, 32769, 5, 4096, 20480},   // 2^31 + 32767 wraps to -(2^31 - 32769), / 8 = -268431360
        {46341, 46341, 3, 580, 1740},     // 2147488281 - 2^32 = -2147479015, / 8 = -268434876
        {46340, 46340, 3, 54530, 163590}, // 2147395600 / 8 = 268424450
        {0, 65535, 44100, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " x " << c.bits << " at " << c.rate);
        const WAVEFORMATEX format = with(c.channels, c.bits, c.rate);
        EXPECT_EQ(format.nBlockAlign, c.blockAlign);
        EXPECT_EQ(format.nAvgBytesPerSec, c.avgBytesPerSec);
        EXPECT_EQ(format.nChannels, c.channels); // the inputs are kept as they were
        EXPECT_EQ(format.wBitsPerSample, c.bits);
    }
}

TEST(CaptureFormat, ProgramWideRecordStartsZero) {
    const WAVEFORMATEX zero{};
    EXPECT_EQ(std::memcmp(&g_captureFormat, &zero, sizeof zero), 0);
}

struct Row {
    std::string_view text; // shown in the list exactly, trailing blanks included
    std::size_t length;    // counted apart from the text, so a blank lost from either shows
    std::uint16_t tag;
    std::uint16_t extraSize;
};

// Every format row, in list order.
const Row kRows[kFormatRowCount] = {
    {"WAVE_FORMAT_PCM  ", 17, 1, 0},
    {"MM_CREATIVE_SB15_WAVEIN    SB (r) 1.5 waveform input  ", 54, 1, 0},
    {"MM_CREATIVE_SB20_WAVEIN                               ", 54, 2, 0},
    {"MM_CREATIVE_SBPRO_WAVEIN                              ", 54, 3, 0},
    {"MM_CREATIVE_SBP16_WAVEIN                              ", 54, 4, 0},
    {"WAVE_FORMAT_UNKNOWN    Microsoft Corporation", 44, 0, 0},
    {"WAVE_FORMAT_ADPCM      Microsoft Corporation", 44, 2, 4},
    {"WAVE_FORMAT_IBM_CVSD   IBM Corporation      ", 44, 5, 0},
    {"WAVE_FORMAT_ALAW       Microsoft Corporation", 44, 6, 0},
    {"WAVE_FORMAT_MULAW      Microsoft Corporation", 44, 7, 0},
    {"WAVE_FORMAT_OKI_ADPCM  OKI                  ", 44, 16, 0},
    {"WAVE_FORMAT_DVI_ADPCM  Intel Corporation    ", 44, 17, 4},
    {"WAVE_FORMAT_IMA_ADPCM  Intel Corporation    ", 44, 17, 4},
    {"WAVE_FORMAT_MEDIASPACE_ADPCM Videologic      ", 45, 18, 4},
    {"WAVE_FORMAT_SIERRA_ADPCM     Sierra Semiconductor Corp", 54, 19, 4},
    {"WAVE_FORMAT_G723_ADPCM Antex Electronics Corporation  ", 54, 20, 8},
    {"WAVE_FORMAT_DIGISTD    DSP Solutions, Inc.             ", 55, 21, 0},
    {"WAVE_FORMAT_DIGIFIX   DSP Solutions, Inc.              ", 55, 22, 0},
    {"WAVE_FORMAT_DIALOGIC_OKI_ADPCM Dialogic Corporation    ", 55, 23, 0},
    {"WAVE_FORMAT_YAMAHA_ADPCM       Yamaha Corporation of America", 60, 32, 0},
    {"WAVE_FORMAT_SONARC     Speech Compression                   ", 60, 33, 4},
    {"WAVE_FORMAT_DSPGROUP_TRUESPEECH  DSP Group, Inc             ", 60, 34, 36},
    {"WAVE_FORMAT_ECHOSC1   Echo Speech Corporation               ", 60, 35, 0},
    {"WAVE_FORMAT_AUDIOFILE_AF36                                  ", 60, 36, 0},
    {"WAVE_FORMAT_APTX    Audio Processing Technology             ", 60, 37, 0},
    {"WAVE_FORMAT_AUDIOFILE_AF10                                  ", 60, 38, 0},
    {"WAVE_FORMAT_DOLBY_AC2  Dolby Laboratories                   ", 60, 48, 4},
    {"WAVE_FORMAT_GSM610     Microsoft Corporation                ", 60, 49, 4},
    {"WAVE_FORMAT_ANTEX_ADPCME   Antex Electronics Corporation    ", 60, 51, 4},
    {"WAVE_FORMAT_CONTROL_RES_VQLPC Control Resources Limited     ", 60, 52, 4},
    {"WAVE_FORMAT_DIGIREAL   DSP Solutions, Inc.                  ", 60, 53, 4},
    {"WAVE_FORMAT_DIGIADPCM  DSP Solutions, Inc.                  ", 60, 54, 4},
    {"WAVE_FORMAT_CONTROL_RES_CR10 Control Resources Limited      ", 60, 55, 4},
    {"WAVE_FORMAT_NMS_VBXADPCM     Natural MicroSystems           ", 60, 56, 4},
    {"WAVE_FORMAT_CS_IMAADPCM Crystal Semiconductor IMA ADPCM     ", 60, 57, 0},
    {"WAVE_FORMAT_G721_ADPCM Antex Electronics Corporation        ", 60, 64, 4},
    {"WAVE_FORMAT_MPEG       Microsoft Corporation                ", 60, 80, 44},
    {"WAVE_FORMAT_CREATIVE_ADPCM Creative Labs, Inc               ", 60, 512, 4},
    {"WAVE_FORMAT_CREATIVE_FASTSPEECH8  Creative Labs, Inc        ", 60, 514, 4},
    {"WAVE_FORMAT_CREATIVE_FASTSPEECH10 Creative Labs, Inc        ", 60, 515, 4},
    {"WAVE_FORMAT_FM_TOWNS_SND    Fujitsu Corp.                   ", 60, 768, 4},
    {"WAVE_FORMAT_OLIGSM   Ing C. Olivetti & C., S.p.A.           ", 60, 4096, 0},
    {"WAVE_FORMAT_OLIADPCM Ing C. Olivetti & C., S.p.A.           ", 60, 4097, 0},
    {"WAVE_FORMAT_OLICELP  Ing C. Olivetti & C., S.p.A.           ", 60, 4098, 0},
    {"WAVE_FORMAT_OLISBC   Ing C. Olivetti & C., S.p.A.           ", 60, 4099, 0},
    {"WAVE_FORMAT_OLIOPR   Ing C. Olivetti & C., S.p.A.           ", 60, 4100, 0},
};

TEST(Catalogues, FormatRowsMatchTheirTextsByteForByteTagsAndExtraSizes) {
    for (std::size_t row = 0; row < kFormatRowCount; ++row) {
        const int position = static_cast<int>(row);
        SCOPED_TRACE(row);
        EXPECT_EQ(kRows[row].text.size(), kRows[row].length);
        EXPECT_EQ(format_row_text(position), kRows[row].text);
        EXPECT_EQ(format_row_tag(position), kRows[row].tag);
        EXPECT_EQ(format_row_extra_size(position), kRows[row].extraSize);
    }
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
