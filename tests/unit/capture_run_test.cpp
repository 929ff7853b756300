#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "support/RasterTarget.h"
#include "support/ScriptedWaveIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace {

const std::string kSuccess = "Successful" + std::string(49, ' ');
const std::string kBadFormat = "Attempted to open with an unsupported waveform-audio format.";
const std::string kBadDevice = "Specified device identifier is out of range.";
const std::string kUnknown = "Erreur Inconnue ";
const std::string kBufferOk = "Reussi  buffer";

std::string trimmed(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

class CaptureRun : public ::testing::Test {
protected:
    CaptureRun() { set_default_format(format); }

    // A device that stops delivering ends the trace after a short margin here, not the program's second.
    void run() { reported = run_capture_test(device, panel, format, buffer, session, kShortMargin); }
    static constexpr std::chrono::milliseconds kShortMargin{30};

    // The byte each pass of the trace drew as its bar, in pass order.
    std::vector<int> barsDrawn() const {
        std::vector<int> bars;
        for (std::size_t i = 0; i + 2 < panel.ops().size(); ++i) {
            const DrawOp& pen = panel.ops()[i];
            if (pen.kind == DrawOp::Kind::Pen && pen.colour == TColor::LtGreen)
                bars.push_back((293 - panel.ops()[i + 2].y) * 2);
        }
        return bars;
    }

    std::vector<std::string> texts(int y) const {
        std::vector<std::string> found;
        for (const DrawOp& op : panel.textsAt(40, y)) {
            found.push_back(op.text);
        }
        return found;
    }
    std::string lastText(int y) const {
        const auto all = texts(y);
        return all.empty() ? std::string("<none>") : all.back();
    }
    long count(DrawOp::Kind kind) const {
        return std::count_if(panel.ops().begin(), panel.ops().end(),
                             [&](const DrawOp& op) { return op.kind == kind; });
    }

    WAVEFORMATEX format{};
    CaptureBuffer buffer{};
    CaptureSession session;
    ScriptedWaveIn device;
    RasterTarget panel;
    std::vector<std::string> reported;
};

TEST_F(CaptureRun, SuccessfulTestShowsEveryLineTheTraceAndTheFullCount) {
    device.script().recording.assign(999, 128);
    run();
    EXPECT_EQ(lastText(300), kSuccess);
    EXPECT_EQ(kSuccess.size(), 59u);
    EXPECT_EQ(lastText(320), kBufferOk);
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 999");
    EXPECT_EQ(reported, (std::vector<std::string>{kSuccess, kBufferOk,
                                                  "Trace: flat, every bar 64 pixels high.", lastText(340)}));
    EXPECT_EQ(count(DrawOp::Kind::Line), 2 * 999);
    EXPECT_EQ(panel.textsAt(1, 1).size(), 2u * 999);
    EXPECT_EQ(panel.pixel(250, 293), TColor::LtGreen);
    // One drawing context for the whole test, released at its end.
    EXPECT_EQ(panel.ops().front().kind, DrawOp::Kind::CreateSurface);
    EXPECT_EQ(panel.ops().back().kind, DrawOp::Kind::ReleaseSurface);
    EXPECT_EQ(count(DrawOp::Kind::CreateSurface), 1);
    EXPECT_EQ(panel.openSurfaces(), 0);
}

TEST_F(CaptureRun, OpensDeviceZeroWithTheRecordAndReleasesItInOrder) {
    format.nChannels = 2;
    format.wBitsPerSample = 16;
    format.nSamplesPerSec = 44100;
    recompute_derived_fields(format);
    run();
    EXPECT_EQ(device.openedDevice(), 0u);
    EXPECT_EQ(device.openedFormat().nAvgBytesPerSec, 176400u);
    EXPECT_EQ(device.openedFormat().nBlockAlign, 4);
    const std::vector<std::string> expected{"open",  "prepare",   "addBuffer", "start",
                                            "reset", "unprepare", "close"};
    EXPECT_EQ(device.calls(), expected);
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(session.header.dwFlags & (WHDR_INQUEUE | WHDR_PREPARED), 0u);
    EXPECT_EQ(session.header.lpData, buffer.data());
    EXPECT_EQ(session.header.dwBufferLength, 999u);
}

struct MessageCase {
    MMRESULT result;
    std::string text;
};

class OpenMessages : public CaptureRun, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(OpenMessages, MapTheLow16BitsOfTheOpenResult) {
    device.script().open = GetParam().result;
    run();
    EXPECT_EQ(lastText(300), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, OpenMessages,
                         ::testing::Values(MessageCase{0, kSuccess}, MessageCase{2, kBadDevice},
                                           MessageCase{4, "Specified resource is already allocated."},
                                           MessageCase{6, "No device driver is present."},
                                           MessageCase{7, "Unable to allocate or lock memory."},
                                           MessageCase{32, kBadFormat}, MessageCase{1, kUnknown},
                                           MessageCase{3, kUnknown}, MessageCase{5, kUnknown},
                                           MessageCase{34, kUnknown}, MessageCase{0x70020, kBadFormat},
                                           MessageCase{0x10002, kBadDevice}));

class BufferMessages : public CaptureRun, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(BufferMessages, MapTheFullQueueingResult) {
    device.script().addBuffer = GetParam().result;
    run();
    EXPECT_EQ(lastText(320), GetParam().text);
}

// Results outside the table are failures too, never reported as a success.
INSTANTIATE_TEST_SUITE_P(EveryRow, BufferMessages,
                         ::testing::Values(MessageCase{0, kBufferOk},
                                           MessageCase{5, "Specified device handle is invalid."},
                                           MessageCase{6, "No device driver is present."},
                                           MessageCase{7, "Unable to allocate or lock memory."},
                                           MessageCase{34,
                                                       "The buffer pointed to by the pwh parameter hasn't "
                                                       "been prepared."},
                                           MessageCase{1, kUnknown}, MessageCase{33, kUnknown},
                                           MessageCase{11, kUnknown}, MessageCase{0x10000, kUnknown}));

TEST_F(CaptureRun, FailedOpenShowsItsMessageNoBufferLineNoTraceAndNoBytes) {
    device.script().open = WAVERR_BADFORMAT;
    run();
    EXPECT_EQ(lastText(300), kBadFormat);
    EXPECT_TRUE(texts(320).empty());
    EXPECT_EQ(count(DrawOp::Kind::Line), 0);
    EXPECT_TRUE(panel.textsAt(1, 1).empty());
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 0");
    EXPECT_EQ(reported, (std::vector<std::string>{kBadFormat, lastText(340)}));
}

TEST_F(CaptureRun, FailedPreparationSkipsTheQueueingButStillStarts) {
    device.script().prepare = MMSYSERR_NOMEM;
    run();
    EXPECT_TRUE(texts(320).empty());
    const auto& calls = device.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "addBuffer"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "start"), 1);
    EXPECT_EQ(count(DrawOp::Kind::Line), 2 * 999);
}

TEST_F(CaptureRun, FailedStartSkipsTheTraceButShowsTheCountAndCloses) {
    device.script().start = MMSYSERR_ERROR;
    run();
    EXPECT_EQ(lastText(320), kBufferOk);
    EXPECT_EQ(count(DrawOp::Kind::Line), 0);
    EXPECT_TRUE(panel.textsAt(1, 1).empty());
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 0");
    EXPECT_EQ(device.calls().back(), "close");
    EXPECT_FALSE(device.isOpen());
}

TEST_F(CaptureRun, CountLineReportsOnlyThisTestAndCoversALongerOldCount) {
    device.script().recording.assign(999, 200);
    run();
    EXPECT_EQ(trimmed(panel.visibleText(40, 340)), "Nbr 999");
    device.script().open = WAVERR_BADFORMAT;
    run();
    EXPECT_EQ(trimmed(panel.visibleText(40, 340)), "Nbr 0");
}

TEST_F(CaptureRun, CountsOnlyWhatTheDeviceRecorded) {
    device.script().recording.assign(85, 200);
    run();
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 85");
}

TEST_F(CaptureRun, ShorterOpenMessageLeavesTheTailOfALongerOne) {
    device.script().open = WAVERR_BADFORMAT;
    run();
    device.script().open = MMSYSERR_BADDEVICEID;
    run();
    EXPECT_EQ(panel.visibleText(40, 300), kBadDevice + kBadFormat.substr(kBadDevice.size()));
    // The success text's blanks cover the rest.
    device.script().open = MMSYSERR_NOERROR;
    run();
    EXPECT_EQ(panel.visibleText(40, 300), kSuccess + kBadFormat.substr(kSuccess.size()));
}

TEST_F(CaptureRun, NextTestFindsTheHeaderFreeAndTheDeviceClosed) {
    device.script().recording.assign(999, 7);
    run();
    run();
    const auto& calls = device.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "close"), 2);
    EXPECT_EQ(lastText(320), kBufferOk);
    EXPECT_FALSE(device.isOpen());
}

class ThrowingTarget : public DrawingTarget {
public:
    explicit ThrowingTarget(int textsBeforeFailure) : remaining_(textsBeforeFailure) {}
    std::unique_ptr<DrawingSurface> createSurface() override { return std::make_unique<Surface>(remaining_); }

private:
    struct Surface : DrawingSurface {
        explicit Surface(int& remaining) : remaining(remaining) {}
        void drawText(int, int, std::string_view) override {
            if (remaining-- == 0) {
                throw std::runtime_error("no drawing context");
            }
        }
        void selectPen(TColor) override {}
        void moveTo(int, int) override {}
        void lineTo(int, int) override {}
        int& remaining;
    };
    int remaining_;
};

TEST_F(CaptureRun, DrawingFailureStillClosesTheDevice) {
    for (int failAt : {0, 1, 2, 500}) {
        ScriptedWaveIn failing;
        failing.script().recording.assign(999, 1);
        ThrowingTarget target(failAt);
        EXPECT_THROW(run_capture_test(failing, target, format, buffer, session), std::runtime_error);
        EXPECT_FALSE(failing.isOpen()) << "failure at text " << failAt;
        EXPECT_EQ(failing.calls().back(), "close");
    }
}

TEST_F(CaptureRun, BufferStartsZeroAndUnrecordedBytesKeepTheirValue) {
    for (const CaptureByte& byte : buffer) {
        ASSERT_EQ(byte.load(), 0);
    }
    device.script().recording.assign(10, 250);
    run();
    EXPECT_EQ(buffer[9].load(), 250);
    EXPECT_EQ(buffer[10].load(), 0);
    EXPECT_EQ(buffer[999].load(), 0); // never handed to the device
}

// The device writes from its own thread while the trace reads: run under ThreadSanitizer.
TEST_F(CaptureRun, DeviceThreadFillsTheBufferWhileTheTraceReadsIt) {
    device.script().recording.assign(999, 90);
    device.script().recordOnThread = true;
    for (int i = 0; i < 5; ++i) {
        run();
        EXPECT_EQ(lastText(300), kSuccess);
        EXPECT_FALSE(device.isOpen());
        const std::uint32_t recorded = session.header.dwBytesRecorded.load();
        EXPECT_EQ(trimmed(lastText(340)), "Nbr " + std::to_string(recorded));
        for (std::uint32_t b = 0; b < recorded; ++b) {
            ASSERT_EQ(buffer[b].load(), 90);
        }
    }
}

// A sound server hands the buffer over a period at a time, well after the start: every pass waits for its
// byte, so the trace draws this recording and not what the buffer held before.
TEST_F(CaptureRun, PacedDeviceTraceDrawsThisRecordingAndCountsItAll) {
    for (CaptureByte& byte : buffer)
        byte.store(20); // an earlier press's bytes
    device.script().recording.assign(999, 200);
    device.script().recordOnThread = true;
    device.script().chunkBytes = 111;
    device.script().chunkInterval = std::chrono::milliseconds(3);
    run_capture_test(device, panel, format, buffer, session); // the program's own deadline
    EXPECT_EQ(barsDrawn(), std::vector<int>(999, 200));
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 999");
}

// Past the deadline the remaining passes draw what the buffer holds, and the count tells the truth.
TEST_F(CaptureRun, DeviceThatStallsEndsTheTraceAtTheDeadlineWithTheTrueCount) {
    for (CaptureByte& byte : buffer)
        byte.store(20);
    device.script().recording.assign(333, 200); // then nothing more
    device.script().recordOnThread = true;
    device.script().chunkBytes = 111;
    device.script().chunkInterval = std::chrono::milliseconds(2);
    run();
    std::vector<int> expected(333, 200);
    expected.resize(999, 20);
    EXPECT_EQ(barsDrawn(), expected);
    EXPECT_EQ(trimmed(lastText(340)), "Nbr 333");
    EXPECT_EQ(device.calls().back(), "close");
}

} // namespace
