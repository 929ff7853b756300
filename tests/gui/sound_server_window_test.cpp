// TEST pressed in the real window, recording through a private PipeWire session (the sound server desktops
// capture through) that plays a steady level into the default source.
#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "panel/TFenApp.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/RecordingRegistry.h"
#include "support/SoundServerSession.h"
#include "support/StderrCapture.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/PanelWindowHarness.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct PcmFormat {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
};

std::vector<PcmFormat> every_pcm_format() {
    std::vector<PcmFormat> formats;
    for (std::uint32_t rate : {11025u, 22050u, 44100u})
        for (std::uint16_t bits : {8, 16})
            for (std::uint16_t channels : {1, 2})
                formats.push_back({rate, bits, channels});
    return formats;
}

// A capture starts with the server's stream starting up: silence, then the resampler settling, some 10 to
// 40 ms (longer on a busy machine). A buffer of 80 ms of audio or more ends past it, in the level played;
// a shorter one (5.7 ms at 44100 Hz stereo 16-bit) may still be in the start-up's silence at its end, but
// never holds another level than this press's.
constexpr double kStartUpMilliseconds = 80;
constexpr std::uint32_t kTailBytes = 16;

class SoundServerWindow : public ::testing::Test {
protected:
    SoundServerWindow() : waveIn(std::make_unique<AlsaWaveIn>()), window(*waveIn, registry) {}

    void SetUp() override {
        if (!session.unavailable().empty())
            GTEST_SKIP() << session.unavailable();
    }

    void choose(const PcmFormat& pcm) { g_captureFormat = pcm_format(pcm.rate, pcm.bits, pcm.channels); }
    void pressTest() {
        const std::size_t before = window.textsDrawnAt(40, 340);
        window.clickControl(TFenApp::kTestButtonId);
        ASSERT_TRUE(gui::pump_until([&] { return window.textsDrawnAt(40, 340) > before; }, 10s));
        gui::pump_for(50ms);
    }
    std::string lastText(int y) const { return window.lastTextAt(40, y); }
    std::uint32_t wholeFrames() const {
        return 999 / g_captureFormat.nBlockAlign * g_captureFormat.nBlockAlign;
    }

    // The sample that starts at byte `at` of the buffer, scaled to 16 bits.
    int sampleAt(std::uint32_t at) const {
        const auto& buffer = window.panel()->captureBuffer();
        if (g_captureFormat.wBitsPerSample == 8)
            return (buffer[at].load() - 128) * 256;
        return static_cast<std::int16_t>(buffer[at].load() | buffer[at + 1].load() << 8);
    }
    bool endsPastTheStartUp() const {
        return 1000.0 * wholeFrames() / g_captureFormat.nAvgBytesPerSec >= kStartUpMilliseconds;
    }
    ::testing::AssertionResult recordedLevel(double level) const {
        const std::uint32_t sampleBytes = g_captureFormat.wBitsPerSample / 8;
        const bool startUpAllowed = !endsPastTheStartUp();
        for (std::uint32_t at = wholeFrames() - kTailBytes; at < wholeFrames(); at += sampleBytes) {
            if (startUpAllowed && std::abs(sampleAt(at)) <= 256)
                continue;
            if (std::abs(sampleAt(at) - level) > 256)
                return ::testing::AssertionFailure() << "byte " << at << " holds " << sampleAt(at);
        }
        return ::testing::AssertionSuccess();
    }
    // The trace's bars on the screen are the buffer's bytes 500 to 998, in columns 1 to 499. Row 293 is
    // painted by bars only, so under a byte too small for a bar it keeps what an earlier press drew.
    ::testing::AssertionResult screenShowsTheBuffer() const {
        const wxImage shown = grab_client_area(window.panel());
        const auto& buffer = window.panel()->captureBuffer();
        for (int x = 1; x < 500; ++x) {
            const int top = 294 - buffer[499 + x].load() / 2;
            if (top - 1 < 293 && !(pixel_at(shown, x, top - 1) == TColor::White))
                return ::testing::AssertionFailure() << "column " << x << " above the bar";
            if (top <= 293 &&
                !(pixel_at(shown, x, top) == TColor::LtGreen && pixel_at(shown, x, 293) == TColor::LtGreen))
                return ::testing::AssertionFailure() << "column " << x << " bar";
        }
        return ::testing::AssertionSuccess();
    }
    std::string countLine() const { return "Nbr " + std::to_string(wholeFrames()) + " "; }

    SoundServerSession session;
    std::unique_ptr<AlsaWaveIn> waveIn;
    RecordingRegistry registry;
    PanelWindowHarness window;
};

TEST_F(SoundServerWindow, EveryPressShowsItsOwnFullCaptureAtThePlayedLevelInEveryFormat) {
    for (const PcmFormat& pcm : every_pcm_format()) {
        SCOPED_TRACE(std::to_string(pcm.rate) + " Hz " + std::to_string(pcm.bits) + "-bit " +
                     std::to_string(pcm.channels) + " ch");
        choose(pcm);
        for (double volume : {1.0, 0.5}) {
            session.setVolume(volume);
            pressTest();
            EXPECT_EQ(lastText(300), "Successful" + std::string(49, ' '));
            EXPECT_EQ(lastText(320), "Reussi  buffer");
            EXPECT_EQ(lastText(340).substr(0, countLine().size()), countLine());
            EXPECT_TRUE(recordedLevel(SoundServerSession::kLevel * volume));
            EXPECT_TRUE(screenShowsTheBuffer());
        }
    }
}

TEST_F(SoundServerWindow, StoppedServerIsReportedQuietlyAndItsReturnIsFoundInTheSameRun) {
    pressTest();
    ASSERT_EQ(lastText(340).substr(0, 8), "Nbr 999 ");

    session.stopServer();
    StderrCapture stderrCapture;
    for (int press = 0; press < 2; ++press) {
        pressTest();
        EXPECT_EQ(lastText(300), "No device driver is present.");
        EXPECT_EQ(lastText(340).substr(0, 6), "Nbr 0 ");
    }
    EXPECT_EQ(stderrCapture.finish(), "");

    session.startServer();
    pressTest();
    EXPECT_EQ(lastText(300), "Successful" + std::string(49, ' '));
    EXPECT_EQ(lastText(340).substr(0, 8), "Nbr 999 ");
    EXPECT_TRUE(recordedLevel(SoundServerSession::kLevel));
}

// Killed while a press records (the longest recording of a buffer, so that the kill lands inside it): the
// press ends in time with what came before, nothing reaches the terminal, and once the server is back the
// next press records in full.
TEST_F(SoundServerWindow, ServerKilledDuringAPressEndsItQuietlyInTimeAndTheNextPressRecords) {
    choose({11025, 8, 1});
    const auto deadline = 1000ms + 1000ms * kCaptureLength / g_captureFormat.nAvgBytesPerSec + 50ms;
    g_captureSession.header.dwBytesRecorded.store(0);
    StderrCapture stderrCapture;
    std::jthread killer([&](std::stop_token stop) {
        while (!stop.stop_requested() && g_captureSession.header.dwBytesRecorded.load() == 0)
            std::this_thread::sleep_for(100us);
        session.killServer();
    });
    const std::size_t before = window.textsDrawnAt(40, 340);
    const auto pressed = std::chrono::steady_clock::now();
    window.clickControl(TFenApp::kTestButtonId);
    ASSERT_TRUE(gui::pump_until([&] { return window.textsDrawnAt(40, 340) > before; }, 10s));
    // Far more than the press may take, far less than a press that hangs: the figure is the benchmark's.
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, deadline + 500ms);
    killer.request_stop();
    killer.join();
    EXPECT_EQ(lastText(300), "Successful" + std::string(49, ' '));
    EXPECT_NE(lastText(340).substr(0, 8), "Nbr 999 ") << "the kill came after the whole buffer";

    session.startServer();
    pressTest();
    EXPECT_EQ(lastText(300), "Successful" + std::string(49, ' '));
    EXPECT_EQ(lastText(340).substr(0, 8), "Nbr 999 ");
    EXPECT_TRUE(recordedLevel(SoundServerSession::kLevel));
    EXPECT_EQ(stderrCapture.finish(), "");
}

} // namespace
