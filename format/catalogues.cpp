#include "format/catalogues.h"

#include <array>

namespace {

// Registered format-tag and device names with their registrants, padded as they are shown.
constexpr std::array<std::string_view, kFormatRowCount> kFormatTexts = {
    "WAVE_FORMAT_PCM  ",
    "MM_CREATIVE_SB15_WAVEIN    SB (r) 1.5 waveform input  ",
    "MM_CREATIVE_SB20_WAVEIN                               ",
    "MM_CREATIVE_SBPRO_WAVEIN                              ",
    "MM_CREATIVE_SBP16_WAVEIN                              ",
    "WAVE_FORMAT_UNKNOWN    Microsoft Corporation",
    "WAVE_FORMAT_ADPCM      Microsoft Corporation",
    "WAVE_FORMAT_IBM_CVSD   IBM Corporation      ",
    "WAVE_FORMAT_ALAW       Microsoft Corporation",
    "WAVE_FORMAT_MULAW      Microsoft Corporation",
    "WAVE_FORMAT_OKI_ADPCM  OKI                  ",
    "WAVE_FORMAT_DVI_ADPCM  Intel Corporation    ",
    "WAVE_FORMAT_IMA_ADPCM  Intel Corporation    ",
    "WAVE_FORMAT_MEDIASPACE_ADPCM Videologic      ",
    "WAVE_FORMAT_SIERRA_ADPCM     Sierra Semiconductor Corp",
    "WAVE_FORMAT_G723_ADPCM Antex Electronics Corporation  ",
    "WAVE_FORMAT_DIGISTD    DSP Solutions, Inc.             ",
    "WAVE_FORMAT_DIGIFIX   DSP Solutions, Inc.              ",
    "WAVE_FORMAT_DIALOGIC_OKI_ADPCM Dialogic Corporation    ",
    "WAVE_FORMAT_YAMAHA_ADPCM       Yamaha Corporation of America",
    "WAVE_FORMAT_SONARC     Speech Compression                   ",
    "WAVE_FORMAT_DSPGROUP_TRUESPEECH  DSP Group, Inc             ",
    "WAVE_FORMAT_ECHOSC1   Echo Speech Corporation               ",
    "WAVE_FORMAT_AUDIOFILE_AF36                                  ",
    "WAVE_FORMAT_APTX    Audio Processing Technology             ",
    "WAVE_FORMAT_AUDIOFILE_AF10                                  ",
    "WAVE_FORMAT_DOLBY_AC2  Dolby Laboratories                   ",
    "WAVE_FORMAT_GSM610     Microsoft Corporation                ",
    "WAVE_FORMAT_ANTEX_ADPCME   Antex Electronics Corporation    ",
    "WAVE_FORMAT_CONTROL_RES_VQLPC Control Resources Limited     ",
    "WAVE_FORMAT_DIGIREAL   DSP Solutions, Inc.                  ",
    "WAVE_FORMAT_DIGIADPCM  DSP Solutions, Inc.                  ",
    "WAVE_FORMAT_CONTROL_RES_CR10 Control Resources Limited      ",
    "WAVE_FORMAT_NMS_VBXADPCM     Natural MicroSystems           ",
    "WAVE_FORMAT_CS_IMAADPCM Crystal Semiconductor IMA ADPCM     ",
    "WAVE_FORMAT_G721_ADPCM Antex Electronics Corporation        ",
    "WAVE_FORMAT_MPEG       Microsoft Corporation                ",
    "WAVE_FORMAT_CREATIVE_ADPCM Creative Labs, Inc               ",
    "WAVE_FORMAT_CREATIVE_FASTSPEECH8  Creative Labs, Inc        ",
    "WAVE_FORMAT_CREATIVE_FASTSPEECH10 Creative Labs, Inc        ",
    "WAVE_FORMAT_FM_TOWNS_SND    Fujitsu Corp.                   ",
    "WAVE_FORMAT_OLIGSM   Ing C. Olivetti & C., S.p.A.           ",
    "WAVE_FORMAT_OLIADPCM Ing C. Olivetti & C., S.p.A.           ",
    "WAVE_FORMAT_OLICELP  Ing C. Olivetti & C., S.p.A.           ",
    "WAVE_FORMAT_OLISBC   Ing C. Olivetti & C., S.p.A.           ",
    "WAVE_FORMAT_OLIOPR   Ing C. Olivetti & C., S.p.A.           ",
};

// Rows 1 to 4 are sound-card input devices whose product identifiers serve as their tags.
constexpr std::array<std::uint16_t, kFormatRowCount> kFormatTags = {
    1,  1,  2,  3,  4,  0,  2,  5,  6,  7,  16, 17, 17, 18, 19,  20,  21,  22,  23,   32,   33,   34,   35,
    36, 37, 38, 48, 49, 51, 52, 53, 54, 55, 56, 57, 64, 80, 512, 514, 515, 768, 4096, 4097, 4098, 4099, 4100};
constexpr std::array<std::uint16_t, kFormatRowCount> kFormatExtraSizes = {
    0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 4, 4, 4,  4, 8, 0, 0, 0, 0, 4, 36, 0,
    0, 0, 0, 4, 4, 4, 4, 4, 4, 4, 4, 0, 4, 44, 4, 4, 4, 4, 0, 0, 0, 0,  0};

constexpr std::array<std::string_view, kRateCount> kRateTexts = {"11025", "22050", "44100"};
constexpr std::array<std::uint32_t, kRateCount> kRateValues = {11025, 22050, 44100};

constexpr std::array<std::string_view, kBitDepthCount> kBitDepthTexts = {"8-bit", "16-bit"};
constexpr std::array<std::uint16_t, kBitDepthCount> kBitDepthValues = {8, 16};

constexpr std::array<std::string_view, kChannelCount> kChannelTexts = {"1", "2"};

template <typename T, std::size_t N> T at(const std::array<T, N>& table, int position) {
    return position >= 0 && static_cast<std::size_t>(position) < N ? table[static_cast<std::size_t>(position)]
                                                                   : T{};
}

} // namespace

std::string_view format_row_text(int row) {
    return at(kFormatTexts, row);
}
std::uint16_t format_row_tag(int row) {
    return at(kFormatTags, row);
}
std::uint16_t format_row_extra_size(int row) {
    return at(kFormatExtraSizes, row);
}

std::string_view rate_text(int position) {
    return at(kRateTexts, position);
}
std::uint32_t rate_value(int position) {
    return at(kRateValues, position);
}

std::string_view bit_depth_text(int position) {
    return at(kBitDepthTexts, position);
}
std::uint16_t bit_depth_value(int position) {
    return at(kBitDepthValues, position);
}

std::string_view channel_text(int position) {
    return at(kChannelTexts, position);
}

// Channel counts are the position plus one.
std::uint16_t channel_value(int position) {
    return channel_text(position).empty() ? 0 : static_cast<std::uint16_t>(position + 1);
}
