// TEST pressed in the real window, recording through PortAudio from a capture device made of ALSA's file
// plugin, with the trace checked on the screen.
#include "format/capture_format.h"
#include "panel/TFenApp.h"
#include "platform/ClientDCSurface.h"
#include "platform/PortAudioWaveIn.h"
#include "support/AlsaFileDevice.h"
#include "support/GuiTestEnvironment.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/screen_pixels.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;

class FramePanelArea : public DrawingTarget {
public:
    explicit FramePanelArea(wxFrame* frame) : frame_(frame) {}
    std::unique_ptr<DrawingSurface> createSurface() override {
        return std::make_unique<ClientDCSurface>(frame_->GetChildren().front());
    }

private:
    wxFrame* frame_;
};

class CaptureWindow : public ::testing::Test {
protected:
    // The device replays `level` without end, or there is no device at all.
    explicit CaptureWindow(std::optional<std::uint8_t> level)
        : device(level ? AlsaFileDevice::withInput(std::vector<std::uint8_t>(200000, *level))
                       : AlsaFileDevice::noDevice()) {
        waveIn = std::make_unique<PortAudioWaveIn>();
        std::memset(&g_captureFormat, 0, sizeof g_captureFormat);
        frame = new wxFrame(nullptr, wxID_ANY, "Varnel ", wxDefaultPosition, wxSize(510, 440));
        screen = std::make_unique<FramePanelArea>(frame);
        drawing = std::make_unique<RasterTarget>(screen.get());
        panel = new TFenApp(frame, PanelServices{*waveIn, registry, drawing.get()});
        frame->Show();
        frame->Raise();
        gui::pump_until([&] { return frame->IsShownOnScreen() && frame->IsActive(); });
        gui::pump_for(300ms);
    }
    ~CaptureWindow() override {
        frame->Destroy();
        gui::pump_for(50ms);
    }

    void pressTest() {
        const wxRect button = panel->FindWindow(TFenApp::kTestButtonId)->GetScreenRect();
        wxUIActionSimulator input;
        input.MouseMove(button.GetPosition() + wxPoint(button.width / 2, button.height / 2));
        gui::pump_for(50ms);
        input.MouseClick();
        gui::pump_until([&] { return !drawing->textsAt(40, 340).empty(); });
        gui::pump_for(100ms);
    }
    std::string lastText(int y) const {
        const auto texts = drawing->textsAt(40, y);
        return texts.empty() ? std::string("<none>") : texts.back().text;
    }

    AlsaFileDevice device;
    std::unique_ptr<PortAudioWaveIn> waveIn;
    RecordingRegistry registry;
    std::unique_ptr<FramePanelArea> screen;
    std::unique_ptr<RasterTarget> drawing;
    wxFrame* frame = nullptr;
    TFenApp* panel = nullptr;
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
