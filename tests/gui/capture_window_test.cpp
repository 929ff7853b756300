// TEST pressed in the real window, recording through ALSA from a capture device made of ALSA's file
// plugin, with the trace checked on the screen.
#include "format/capture_format.h"
#include "panel/TFenApp.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/AlsaFileDevice.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/PanelWindowHarness.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class CaptureWindow : public ::testing::Test {
protected:
    // The device replays `level` without end, or there is no device at all.
    explicit CaptureWindow(std::optional<std::uint8_t> level)
        : device(level ? AlsaFileDevice::withInput(std::vector<std::uint8_t>(200000, *level))
                       : AlsaFileDevice::noDevice()),
          waveIn(std::make_unique<AlsaWaveIn>()), window(*waveIn, registry) {}

    void pressTest() {
        window.clickControl(TFenApp::kTestButtonId);
        gui::pump_until([&] { return window.textsDrawnAt(40, 340) > 0; });
        gui::pump_for(100ms);
    }
    std::string lastText(int y) const { return window.lastTextAt(40, y); }

    AlsaFileDevice device;
    std::unique_ptr<AlsaWaveIn> waveIn;
    RecordingRegistry registry;
    PanelWindowHarness window;
    TFenApp* panel = window.panel();
    RasterTarget* drawing = &window.drawing();
};

class CaptureWindowRecordingLevel200 : public CaptureWindow {
protected:
    CaptureWindowRecordingLevel200() : CaptureWindow(200) {}
};

TEST_F(CaptureWindowRecordingLevel200, TestDrawsTheCapturedBytesAsBarsOnScreen) {
    pressTest();
    EXPECT_EQ(lastText(300), "Successful" + std::string(49, ' '));
    EXPECT_EQ(lastText(320), "Reussi  buffer");
    EXPECT_EQ(lastText(340).substr(0, 7), "Nbr 999");
    const wxImage shown = grab_client_area(panel);
    ASSERT_TRUE(shown.IsOk());
    for (int x = 0; x < 500; ++x) {
        for (int y = 165; y <= 193; ++y) {
            ASSERT_EQ(pixel_at(shown, x, y), TColor::White) << x << "," << y;
        }
        for (int y = 194; y <= 293; ++y) {
            ASSERT_EQ(pixel_at(shown, x, y), TColor::LtGreen) << x << "," << y;
        }
    }
    EXPECT_EQ(panel->captureBuffer()[998].load(), 200);
    EXPECT_EQ(panel->captureBuffer()[999].load(), 0);
}

class CaptureWindowWithoutDevice : public CaptureWindow {
protected:
    CaptureWindowWithoutDevice() : CaptureWindow(std::nullopt) {}
};

TEST_F(CaptureWindowWithoutDevice, TestSaysTheDeviceIsOutOfRangeAndDrawsNoTrace) {
    if (AlsaFileDevice::machineHasSoundCard()) {
        GTEST_SKIP() << "this machine has a sound card";
    }
    pressTest();
    EXPECT_EQ(lastText(300), "Specified device identifier is out of range.");
    EXPECT_TRUE(drawing->textsAt(40, 320).empty());
    EXPECT_TRUE(drawing->textsAt(1, 1).empty());
    EXPECT_EQ(lastText(340).substr(0, 5), "Nbr 0");
    const wxImage shown = grab_client_area(panel);
    for (int x = 0; x < 500; x += 7) {
        ASSERT_EQ(pixel_at(shown, x, 250), TColor::White) << x;
    }
}

} // namespace
