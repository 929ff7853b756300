// The wave-input layer on the system's winmm, under Wine: what it refuses before the system sees it, and
// real recordings from device 0: the default source of the test session's sound server, which plays a
// steady level (tests/windows/run_windows_tests.sh runs the tests inside it).
#include "capture/CaptureRun.h"
#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "platform/wave_in/windows/WinmmWaveIn.h"

#include <gtest/gtest.h>

namespace {

// The level the test session's sound server plays (a quarter of full scale, as a 16-bit sample).
constexpr int kPlayedLevel = 8192;

// Opens the system must not see (no handle or format, a notification asked for), and calls on a handle
// this layer never opened.
TEST(WinmmWaveIn, RefusesWhatTheSystemMustNotSee) {
    struct OpenArguments {
        bool handle, format;
        std::uintptr_t callback;
        std::uint32_t flags;
        MMRESULT expected;
    };
    const OpenArguments rows[] = {{false, true, 0, 0, MMSYSERR_INVALPARAM},
                                  {true, false, 0, 0, MMSYSERR_INVALPARAM},
                                  {true, true, 1, 0, MMSYSERR_INVALFLAG},
                                  {true, true, 0, 0x30000, MMSYSERR_INVALFLAG}};
    WinmmWaveIn waveIn;
    WAVEFORMATEX format;
    set_default_format(format);
    for (const OpenArguments& row : rows) {
        HWAVEIN handle = nullptr;
        EXPECT_EQ(waveIn.waveInOpen(row.handle ? &handle : nullptr, 0, row.format ? &format : nullptr,
                                    row.callback, 0, row.flags),
                  row.expected);
    }
    static int unknown;
    const auto stranger = reinterpret_cast<HWAVEIN>(&unknown);
    WAVEHDR header;
    for (MMRESULT result : {waveIn.waveInPrepareHeader(stranger, &header, kWaveHdrSize),
                            waveIn.waveInAddBuffer(stranger, &header, kWaveHdrSize),
                            waveIn.waveInStart(stranger), waveIn.waveInClose(stranger)}) {
        EXPECT_EQ(result, MMSYSERR_INVALHANDLE);
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
