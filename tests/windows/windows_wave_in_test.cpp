// The wave-input layer on the system's winmm, under Wine: what it refuses before the system sees it, and
// real recordings from device 0: the default source of the test session's sound server, which plays a
// steady level (tests/windows/run_windows_tests.sh runs the tests inside it).
#include "capture/CaptureRun.h"
#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "platform/wave_in/windows/WinmmWaveIn.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The level the test session's sound server plays (a quarter of full scale, as a 16-bit sample).
constexpr int kPlayedLevel = 8192;

struct Refusal {
    const char* what;
    std::function<MMRESULT(WinmmWaveIn&, WAVEFORMATEX&, WAVEHDR&)> call;
    MMRESULT expected;
};

HWAVEIN stranger() {
    static int unknown;
    return reinterpret_cast<HWAVEIN>(&unknown);
}

TEST(WinmmWaveIn, RefusesWhatTheSystemMustNotSee) {
    const Refusal refusals[] = {
        {"no handle", [](auto& w, auto& f, auto&) { return w.waveInOpen(nullptr, 0, &f, 0, 0, 0); },
         MMSYSERR_INVALPARAM},
        {"no format",
         [](auto& w, auto&, auto&) {
             HWAVEIN h;
             return w.waveInOpen(&h, 0, nullptr, 0, 0, 0);
         },
         MMSYSERR_INVALPARAM},
        {"a callback",
         [](auto& w, auto& f, auto&) {
             HWAVEIN h;
             return w.waveInOpen(&h, 0, &f, 1, 0, 0);
         },
         MMSYSERR_INVALFLAG},
        {"flags",
         [](auto& w, auto& f, auto&) {
             HWAVEIN h;
             return w.waveInOpen(&h, 0, &f, 0, 0, 0x30000);
         },
         MMSYSERR_INVALFLAG},
        {"unknown handle", [](auto& w, auto&, auto& h) { return w.waveInPrepareHeader(stranger(), &h, 48); },
         MMSYSERR_INVALHANDLE},
        {"unknown queue", [](auto& w, auto&, auto& h) { return w.waveInAddBuffer(stranger(), &h, 48); },
         MMSYSERR_INVALHANDLE},
        {"unknown start", [](auto& w, auto&, auto&) { return w.waveInStart(stranger()); },
         MMSYSERR_INVALHANDLE},
        {"unknown close", [](auto& w, auto&, auto&) { return w.waveInClose(stranger()); },
         MMSYSERR_INVALHANDLE},
    };
    WinmmWaveIn waveIn;
    for (const Refusal& refusal : refusals) {
        WAVEFORMATEX format;
        set_default_format(format);
        WAVEHDR header;
        EXPECT_EQ(refusal.call(waveIn, format, header), refusal.expected) << refusal.what;
    }
}

class WinmmRecording : public ::testing::Test {
protected:
    void SetUp() override {
        if (waveIn.captureDevices().empty()) {
            GTEST_SKIP() << "no capture device under this Wine";
        }
        set_default_format(format);
    }

    // The last whole sample of the buffer, scaled to 16 bits.
    int lastSample() const {
        const std::uint32_t at =
            kCaptureLength / format.nBlockAlign * format.nBlockAlign - format.nBlockAlign;
        if (format.wBitsPerSample == 8) {
            return (buffer[at].load() - 128) * 256;
        }
        return static_cast<std::int16_t>(buffer[at].load() | buffer[at + 1].load() << 8);
    }

    WinmmWaveIn waveIn;
    WAVEFORMATEX format;
    CaptureBuffer buffer{};
    CaptureSession session;
};

TEST_F(WinmmRecording, FillsTheWholeBufferAsTheCaptureRunWatchesIt) {
    for (const WAVEFORMATEX& chosen : {pcm_format(11025, 8, 1), pcm_format(44100, 16, 2)}) {
        format = chosen;
        {
            CaptureRun run(waveIn, session, format, buffer.data(), kCaptureLength);
            ASSERT_EQ(run.open(), MMSYSERR_NOERROR);
            ASSERT_EQ(run.queue(), std::optional<MMRESULT>(MMSYSERR_NOERROR));
            ASSERT_TRUE(run.start());
            run.delivery().awaitBytes(kCaptureLength);
            EXPECT_EQ(run.bytesRecorded(), kCaptureLength / format.nBlockAlign * format.nBlockAlign);
        }
        EXPECT_NEAR(lastSample(), kPlayedLevel, 256);
        EXPECT_EQ(session.header.dwFlags.load() & (WHDR_PREPARED | WHDR_INQUEUE), 0u);
    }
}

// Closing while the buffer is still queued stops the device and releases the header first: the system
// would refuse the close and go on writing into a buffer its owner is about to release.
TEST_F(WinmmRecording, CloseOfARecordingDeviceReleasesTheBufferFirst) {
    HWAVEIN handle = nullptr;
    ASSERT_EQ(waveIn.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    session.header.lpData = buffer.data();
    session.header.dwBufferLength = kCaptureLength;
    ASSERT_EQ(waveIn.waveInPrepareHeader(handle, &session.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_EQ(waveIn.waveInAddBuffer(handle, &session.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_EQ(waveIn.waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveIn.waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(session.header.dwFlags.load() & (WHDR_PREPARED | WHDR_INQUEUE), 0u);
    EXPECT_EQ(waveIn.waveInStart(handle), MMSYSERR_INVALHANDLE);
}

TEST_F(WinmmRecording, ASecondOpenOfTheDeviceWaitsForConcurrentOpensToBeAllowed) {
    HWAVEIN first = nullptr, second = nullptr;
    ASSERT_EQ(waveIn.waveInOpen(&first, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveIn.waveInOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_ALLOCATED);
    EXPECT_EQ(second, nullptr);
    waveIn.allowConcurrentOpens();
    ASSERT_EQ(waveIn.waveInOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveIn.waveInClose(second), MMSYSERR_NOERROR);
    EXPECT_EQ(waveIn.waveInClose(first), MMSYSERR_NOERROR);
}

} // namespace
