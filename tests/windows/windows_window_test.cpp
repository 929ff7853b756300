// The real program's window under Wine: the application object builds it as varnel.exe does, on the
// system's winmm and registry, and the test reads back what is on the panel through the system's GDI, and
// what a screen reader finds of it through the system's accessibility interface (MSAA).
#include "app/TApp.h"
#include "capture/capture_on_panel.h"
#include "panel/TFenApp.h"
#include "platform/drawing/TColor.h"
#include "screen_reader_client.h"

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Control id and place; height 0 is the system's own height of the control.
const std::pair<int, wxRect> kPlaces[] = {
    {TFenApp::kFormatListId, wxRect(30, 20, 450, 80)},  {TFenApp::kRateBoxId, wxRect(40, 120, 80, 0)},
    {TFenApp::kBitDepthBoxId, wxRect(180, 120, 80, 0)}, {TFenApp::kChannelBoxId, wxRect(320, 120, 80, 0)},
    {TFenApp::kTestButtonId, wxRect(120, 350, 80, 30)}, {TFenApp::kQuitButtonId, wxRect(260, 350, 80, 30)},
};

// The played level (a quarter of full scale) as an unsigned 8-bit sample.
constexpr int kPlayedByte = 128 + 32;
// The trace band's rows, and the first row below the format list, where the summary line shows.
constexpr int kBandTop = 165;
constexpr int kBaseline = 293;
constexpr int kBelowList = 100;

class RealWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wxApp::SetInstance(new TApp);
        static char name[] = "windows_window_test";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        ASSERT_TRUE(wxEntryStart(argc, argv));
        ASSERT_TRUE(wxTheApp->CallOnInit());
        for (const auto deadline = std::chrono::steady_clock::now() + 20s;
             !frame()->IsShownOnScreen() && std::chrono::steady_clock::now() < deadline;) {
            wxTheApp->Yield(true);
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_TRUE(frame()->IsShownOnScreen());
    }
    static void TearDownTestSuite() {
        // The toolkit's own cleanup is left out: under Wine it never returns for an application started
        // without its event loop, as here. Closing the window is what matters; the process ends next.
        delete frame();
    }

    static wxFrame* frame() { return static_cast<wxFrame*>(wxTheApp->GetTopWindow()); }
    static TFenApp* panel() { return static_cast<TFenApp*>(frame()->GetChildren().GetFirst()->GetData()); }

    // The panel's client area as the system shows it.
    wxImage shown() const {
        wxClientDC screen(panel());
        const wxSize size = panel()->GetClientSize();
        wxBitmap pixels(size);
        wxMemoryDC copy(pixels);
        copy.Blit(0, 0, size.x, size.y, &screen, 0, 0);
        copy.SelectObject(wxNullBitmap);
        return pixels.ConvertToImage();
    }
    static TColor pixel(const wxImage& image, int x, int y) {
        return TColor{image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
    }
    // Any black pixel of text in the line whose top-left corner is (x, y).
    bool textShownAt(const wxImage& image, int x, int y) const {
        for (int row = std::max(y, kBelowList); row < y + panel()->GetCharHeight(); ++row) {
            for (int column = x; column < image.GetWidth(); ++column) {
                if (pixel(image, column, row) == TColor::Black) {
                    return true;
                }
            }
        }
        return false;
    }
    void erase() {
        panel()->Refresh();
        panel()->Update(); // repainted at once: the system erases the client area
    }
    // What a click on a control sends: a button's press, a list row's double click.
    static void send(wxEventType type, int id) {
        wxWindow* control = panel()->FindWindow(id);
        wxCommandEvent click(type, id);
        click.SetEventObject(control);
        control->ProcessWindowEvent(click);
    }
    static void press(int id) { send(wxEVT_BUTTON, id); }
    static void apply() { send(wxEVT_LISTBOX_DCLICK, TFenApp::kFormatListId); }
};

TEST_F(RealWindow, OpensWithItsCaptionSizeAndControlsAtTheirPlaces) {
    EXPECT_EQ(frame()->GetTitle(), "Varnel ");
    EXPECT_EQ(frame()->GetSize(), wxSize(510, 440));
    for (const auto& [id, place] : kPlaces) {
        const wxWindow* control = panel()->FindWindow(id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_EQ(control->GetPosition(), place.GetPosition()) << id;
        EXPECT_EQ(control->GetSize().x, place.width) << id;
        EXPECT_TRUE(place.height == 0 || control->GetSize().y == place.height) << id;
    }
}

TEST_F(RealWindow, AnApplyDrawsBothLinesAndARepaintErasesThem) {
    erase();
    EXPECT_FALSE(textShownAt(shown(), 80, 96));
    apply();
    const wxImage drawn = shown();
    EXPECT_TRUE(textShownAt(drawn, 80, 96));
    EXPECT_TRUE(textShownAt(drawn, 150, 150));
    erase();
    EXPECT_FALSE(textShownAt(shown(), 150, 150));
}

// Through the test session's sound server, which plays a steady level into the default source.
TEST_F(RealWindow, TestRecordsThePlayedLevelAndDrawsItsBars) {
    erase();
    press(TFenApp::kTestButtonId);
    if (g_captureSession.header.dwBytesRecorded.load() == 0 && !textShownAt(shown(), 40, 320)) {
        GTEST_SKIP() << "no capture device under this Wine";
    }
    EXPECT_EQ(g_captureSession.header.dwBytesRecorded.load(), kCaptureLength);
    const auto& buffer = panel()->captureBuffer();
    for (std::uint32_t at = kCaptureLength - 16; at < kCaptureLength; ++at) {
        EXPECT_NEAR(buffer[at].load(), kPlayedByte, 2) << "byte " << at;
    }
    // Bytes 500 to 998 are the last bars, in columns 1 to 499: each half its byte tall, white above. Wine's
    // X11 driver sets a rising line's pixels one row higher than the system's own drawing does, so the
    // height is what is checked, not the row a bar starts on.
    const wxImage image = shown();
    for (int x = 1; x < 500; ++x) {
        const int height = buffer[499 + x].load() / 2;
        int green = 0;
        int top = kBaseline + 1;
        for (int y = kBandTop - 1; y <= kBaseline + 1; ++y) {
            if (pixel(image, x, y) == TColor::LtGreen) {
                ++green;
                top = std::min(top, y);
            }
        }
        ASSERT_EQ(green, height) << "column " << x;
        ASSERT_TRUE(pixel(image, x, top + height - 1) == TColor::LtGreen) << "column " << x << " has gaps";
        ASSERT_TRUE(pixel(image, x, top - 1) == TColor::White) << "column " << x;
    }
    EXPECT_TRUE(textShownAt(image, 40, 300));
    EXPECT_TRUE(textShownAt(image, 40, 340));
}

// The names each control answers, the lines drawn as the panel's static texts and the press's alert.
TEST_F(RealWindow, AScreenReaderReadsTheControlsNamesTheLinesDrawnAndThePressAnnounced) {
    const std::vector<std::string> controls = {
        "Capture format", "Sample rate in hertz", "Bit depth", "Channels", "TEST", "Quitter"};
    std::vector<std::string> read = controls;
    read.insert(read.end(), {"WAVE_FORMAT_PCM   11025 1 8-bit", " 11025  8  1 "});
    apply(); // the earlier press's lines follow
    const std::vector<std::string> applied = child_names(panel()->GetHWND());
    ASSERT_GE(applied.size(), read.size());
    EXPECT_EQ(std::vector(applied.begin(), applied.begin() + std::ssize(read)), read);

    AlertListener listener;
    press(TFenApp::kTestButtonId);
    for (const auto deadline = std::chrono::steady_clock::now() + 5s;
         listener.alerts().empty() && std::chrono::steady_clock::now() < deadline;) {
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(10ms);
    }
    const std::vector<std::string> alerts = listener.alerts();
    const std::string count = "Nbr " + std::to_string(g_captureSession.header.dwBytesRecorded.load());
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(std::count(alerts.begin(), alerts.end(), alerts[0]), std::ssize(alerts));
    EXPECT_TRUE(alerts[0].ends_with(". " + count)) << alerts[0];
    if (g_captureSession.header.dwBytesRecorded.load() != kCaptureLength) {
        GTEST_SKIP() << "no capture device under this Wine: " << alerts[0];
    }
    read.insert(read.end(),
                {"Successful" + std::string(49, ' '), "Reussi  buffer", count + std::string(10, ' ')});
    EXPECT_EQ(child_names(panel()->GetHWND()), read);
    EXPECT_TRUE(alerts[0].starts_with("Successful. Reussi buffer. Trace: ")) << alerts[0];
}

} // namespace
