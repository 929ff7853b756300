#include "format/capture_format.h"
#include "format/catalogues.h"
#include "panel/apply_step.h"
#include "support/RasterTarget.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The panel's controls as a user leaves them: positions into the lists, texts read from those entries.
struct Controls {
    int row = 0;
    int rate = 0;
    int bits = 0;
    int channels = 0;

    PanelSelections selections() const {
        return PanelSelections{row, std::string(format_row_text(row)), std::string(rate_text(rate)),
                               std::string(channel_text(channels)), std::string(bit_depth_text(bits))};
    }
};

class ApplyStep : public ::testing::Test {
protected:
    ApplyStep() { set_default_format(format); }

    void apply() { apply_selections(controls.selections(), format, panel); }
    std::string lastText(int x, int y) const {
        const auto texts = panel.textsAt(x, y);
        return texts.empty() ? std::string("<none>") : texts.back().text;
    }

    Controls controls;
    WAVEFORMATEX format{};
    RasterTarget panel;
};

TEST_F(ApplyStep, StartUpSelectionsDrawTheSummaryAndNumbersLines) {
    apply();
    EXPECT_EQ(lastText(80, 96), "WAVE_FORMAT_PCM   11025 1 8-bit");
    EXPECT_EQ(lastText(150, 150), " 11025  8  1 ");
    EXPECT_EQ(format.wFormatTag, 1);
    EXPECT_EQ(format.cbSize, 0);
    // Both lines in one drawing context, released at the end.
    const auto& ops = panel.ops();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops.front().kind, DrawOp::Kind::CreateSurface);
    EXPECT_EQ(ops.back().kind, DrawOp::Kind::ReleaseSurface);
}

TEST_F(ApplyStep, EachBoxWritesItsFieldThenTheRecordIsCompleted) {
    controls.rate = 2;
    ASSERT_TRUE(choose_rate(controls.rate, format));
    apply();
    EXPECT_EQ(lastText(150, 150), " 44100  8  1 ");
    controls.bits = 1;
    ASSERT_TRUE(choose_bit_depth(controls.bits, format));
    apply();
    EXPECT_EQ(lastText(150, 150), " 44100  16  1 ");
    controls.channels = 1;
    ASSERT_TRUE(choose_channels(controls.channels, format));
    apply();
    EXPECT_EQ(lastText(150, 150), " 44100  16  2 ");
    EXPECT_EQ(lastText(80, 96), "WAVE_FORMAT_PCM   44100 2 16-bit");
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
}

TEST_F(ApplyStep, SelectedRowGivesTagAndExtraSize) {
    controls.row = 36;
    apply();
    EXPECT_EQ(format.wFormatTag, 80);
    EXPECT_EQ(format.cbSize, 44);
    controls.row = 21;
    apply();
    EXPECT_EQ(format.wFormatTag, 34);
    EXPECT_EQ(format.cbSize, 36);
    controls.row = 5;
    apply();
    EXPECT_EQ(format.wFormatTag, 0);
    EXPECT_EQ(format.cbSize, 0);
}

TEST_F(ApplyStep, RowsSharingATagKeepTheirOwnSummary) {
    controls.row = 0;
    apply();
    const WAVEFORMATEX fromRow0 = format;
    const std::string summary0 = lastText(80, 96);
    controls.row = 1;
    apply();
    EXPECT_EQ(format.wFormatTag, fromRow0.wFormatTag);
    EXPECT_EQ(format.cbSize, fromRow0.cbSize);
    EXPECT_NE(lastText(80, 96), summary0);
    EXPECT_EQ(lastText(80, 96), "MM_CREATIVE_SB15_WAVEIN    SB (r) 1.5 waveform input   11025 1 8-bit");
}

TEST_F(ApplyStep, ShorterSummaryLeavesTheTailOfTheLongerOne) {
    controls.row = 36;
    apply();
    const std::string longer = lastText(80, 96);
    controls.row = 0;
    apply();
    const std::string shorter = lastText(80, 96);
    ASSERT_LT(shorter.size(), longer.size());
    EXPECT_EQ(panel.visibleText(80, 96), shorter + longer.substr(shorter.size()));
}

TEST_F(ApplyStep, DrawsEvenWhenNothingChanged) {
    apply();
    apply();
    EXPECT_EQ(panel.textsAt(80, 96).size(), 2u);
    EXPECT_EQ(panel.textsAt(150, 150).size(), 2u);
}

TEST_F(ApplyStep, PositionsThatAreNoEntryWriteNothing) {
    const WAVEFORMATEX before = format;
    EXPECT_FALSE(choose_rate(-1, format));
    EXPECT_FALSE(choose_bit_depth(-1, format));
    EXPECT_FALSE(choose_channels(-1, format));
    EXPECT_FALSE(choose_channels(2, format));
    EXPECT_EQ(std::memcmp(&format, &before, sizeof format), 0);

    // A list with no selected row keeps the last row's tag; a box with none shows no text.
    controls.row = 36;
    apply();
    PanelSelections none = controls.selections();
    none.formatRow = -1;
    none.formatText.clear();
    none.bitDepthText.clear();
    apply_selections(none, format, panel);
    EXPECT_EQ(format.wFormatTag, 80);
    EXPECT_EQ(lastText(80, 96), " 11025 1 ");
}

TEST(NumbersLine, FitsAnyValuesWithoutOverrun) {
    WAVEFORMATEX format{};
    format.nSamplesPerSec = 0xFFFFFFFFu;
    format.wBitsPerSample = 65535;
    format.nChannels = 65535;
    EXPECT_EQ(numbers_line(format), "    -1  65535  65535 ");
    EXPECT_EQ(summary_line({0, std::string(500, 'x'), "a", "b", "c"}), std::string(500, 'x') + " a b c");
}

} // namespace
