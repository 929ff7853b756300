// The wave-input layer against real capture paths: alsa-lib with ALSA's file plugin standing in for a
// microphone, and devices that fail as real ones do.
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/AlsaFileDevice.h"
#include "support/StderrCapture.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

WAVEFORMATEX pcmFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

// The record in an allocation of exactly its own size, so that the address sanitizer catches a read of
// the extra bytes cbSize may announce.
class ExactFormat {
public:
    explicit ExactFormat(const WAVEFORMATEX& format)
        : storage_(std::make_unique<unsigned char[]>(sizeof(WAVEFORMATEX))),
          format_(new (storage_.get()) WAVEFORMATEX(format)) {}
    const WAVEFORMATEX* get() const { return format_; }

private:
    std::unique_ptr<unsigned char[]> storage_;
    WAVEFORMATEX* format_;
};

// Varied enough that a shifted, repeated or byte-swapped capture cannot match by accident.
std::vector<std::uint8_t> noise(std::size_t size) {
    std::mt19937 generator(20240607);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(generator() >> 24);
    return bytes;
}

constexpr std::uint8_t kUntouched = 0xA5;

struct Buffer {
    explicit Buffer(std::uint32_t size) : data(std::make_unique<CaptureByte[]>(size)) {
        for (std::uint32_t i = 0; i < size; ++i)
            data[i].store(kUntouched, std::memory_order_relaxed);
        header.lpData = data.get();
        header.dwBufferLength = size;
    }
    std::vector<std::uint8_t> bytes(std::size_t from, std::size_t to) const {
        std::vector<std::uint8_t> out;
        for (std::size_t i = from; i < to; ++i)
            out.push_back(data[i].load(std::memory_order_relaxed));
        return out;
    }
    std::vector<std::uint8_t> all() const { return bytes(0, header.dwBufferLength); }
    std::uint32_t flags() const { return header.dwFlags.load(std::memory_order_acquire); }
    std::uint32_t recorded() const { return header.dwBytesRecorded.load(std::memory_order_acquire); }

    std::unique_ptr<CaptureByte[]> data;
    WAVEHDR header;
};

// Polls instead of blocking, so that a device that never delivers fails the test rather than hanging it.
template <typename Condition> bool waitUntil(Condition condition, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool hasFlag(std::uint32_t flags, std::uint32_t flag) {
    return (flags & flag) != 0;
}

// The package that brings a device plugin also brings its configuration.
bool pluginInstalled(const std::string& configuration) {
    return std::filesystem::exists("/usr/share/alsa/alsa.conf.d/" + configuration + ".conf");
}

struct FailureCase {
    const char* plugin; // the configuration of the plugin the case needs, or nullptr
    const char* defaultDevice;
    MMRESULT result;
};

// Devices failing for real, each open answering from the errno of its own failure, and no device's
// library writing a line to the terminal while it fails. Without a server in the temporary home, pulse
// and pipewire find theirs down.
TEST(AlsaWaveInFailures, AreAnsweredFromTheirOwnErrorQuietly) {
    if (AlsaFileDevice::machineHasSoundCard())
        GTEST_SKIP() << "a sound card is present: card 7 might be there";
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    for (const FailureCase& c : {FailureCase{nullptr, "{ type hw card 7 }", MMSYSERR_BADDEVICEID},
                                 FailureCase{nullptr, "\"no_such_device\"", MMSYSERR_BADDEVICEID},
                                 FailureCase{"50-pipewire", "{ type pipewire }", MMSYSERR_NODRIVER},
                                 FailureCase{"50-pulseaudio", "{ type pulse }", MMSYSERR_NODRIVER}}) {
        if (c.plugin != nullptr && !pluginInstalled(c.plugin))
            continue;
        AlsaFileDevice device = AlsaFileDevice::withDefault(c.defaultDevice);
        StderrCapture stderrCapture;
        AlsaWaveIn layer;
        HWAVEIN handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
        EXPECT_EQ(layer.waveInOpen(&handle, 0, &format, 0, 0, 0), c.result) << c.defaultDevice;
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(stderrCapture.finish(), "") << c.defaultDevice;
    }
}

// JACK's library prints on its own, past alsa-lib's hook, when its device opens without a server: from the
// thread that opens it, which is not the caller's. The device also names its JACK client after the program
// and warns when the name is cut to fit; the programs' names fit, this test's is taken for the time.
TEST(AlsaWaveInFailures, ListedDevicesThatPrintWhenOpenedAreOpenedQuietly) {
    AlsaFileDevice device = AlsaFileDevice::noDevice();
    char probeName[] = "varnel-probe";
    struct ProgramName {
        char* saved = std::exchange(program_invocation_short_name, nullptr);
        ~ProgramName() { program_invocation_short_name = saved; }
    } programName;
    program_invocation_short_name = probeName;
    AlsaWaveIn layer;
    const std::vector<CaptureDeviceInfo> listed = layer.captureDevices();
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed[0].name, "default");
    const auto jack = std::find_if(listed.begin(), listed.end(), [](auto& d) { return d.name == "jack"; });
    if (jack == listed.end())
        GTEST_SKIP() << "ALSA's JACK device is not installed";
    StderrCapture stderrCapture;
    const WAVEFORMATEX format = pcmFormat(2, 44100, 16);
    HWAVEIN handle = nullptr;
    EXPECT_NE(layer.waveInOpen(&handle, static_cast<unsigned>(jack - listed.begin()), &format, 0, 0, 0),
              MMSYSERR_NOERROR);
    EXPECT_EQ(stderrCapture.finish(), "");
}

TEST(AlsaWaveInOpen, WithoutAnyCaptureDeviceReportsBadDeviceId) {
    if (AlsaFileDevice::machineHasSoundCard())
        GTEST_SKIP() << "a sound card is present, so there is no 'no device' case to observe";
    AlsaFileDevice device = AlsaFileDevice::noDevice();
    AlsaWaveIn layer;
    const WAVEFORMATEX format = pcmFormat(2, 44100, 16);
    for (const unsigned id : {0u, 99999u, WAVE_MAPPER}) {
        HWAVEIN handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
        EXPECT_EQ(layer.waveInOpen(&handle, id, &format, 0, 0, 0), MMSYSERR_BADDEVICEID) << "device " << id;
        EXPECT_EQ(handle, nullptr);
    }
}

TEST(AlsaWaveInOpen, RefusesUnusableFormatsBeforeLookingForTheDevice) {
    if (AlsaFileDevice::machineHasSoundCard())
        GTEST_SKIP() << "refusals are told apart from a missing device only when there is none";
    // With no device, any refusal that looked at the device first would come back as a bad device id.
    AlsaFileDevice device = AlsaFileDevice::noDevice();
    AlsaWaveIn layer;

    struct Case {
        const char* what;
        WAVEFORMATEX format;
    };
    std::vector<Case> cases;
    const WAVEFORMATEX good = pcmFormat(1, 11025, 8);
    auto variant = [&](const char* what, auto change) {
        WAVEFORMATEX format = good;
        change(format);
        cases.push_back({what, format});
    };
    variant("tag 0", [](WAVEFORMATEX& f) { f.wFormatTag = 0; });
    variant("tag 2 (ADPCM)", [](WAVEFORMATEX& f) { f.wFormatTag = 2; });
    variant("tag 3 (float)", [](WAVEFORMATEX& f) { f.wFormatTag = 3; });
    variant("tag 0xFFFE (extensible)", [](WAVEFORMATEX& f) { f.wFormatTag = 0xFFFE; });
    variant("cbSize 22", [](WAVEFORMATEX& f) { f.cbSize = 22; });
    variant("cbSize 1", [](WAVEFORMATEX& f) { f.cbSize = 1; });
    variant("block align too large", [](WAVEFORMATEX& f) { f.nBlockAlign = 2; });
    variant("block align 0", [](WAVEFORMATEX& f) { f.nBlockAlign = 0; });
    variant("bytes per second off by one", [](WAVEFORMATEX& f) { f.nAvgBytesPerSec += 1; });
    variant("rate 0", [](WAVEFORMATEX& f) { f.nSamplesPerSec = f.nAvgBytesPerSec = 0; });
    cases.push_back({"12 bits", pcmFormat(1, 11025, 12)});
    cases.push_back({"24 bits", pcmFormat(2, 44100, 24)});
    cases.push_back({"0 bits", pcmFormat(1, 11025, 0)});
    cases.push_back({"3 channels", pcmFormat(3, 22050, 16)});
    cases.push_back({"0 channels", pcmFormat(0, 22050, 16)});
    WAVEFORMATEX wrapping = pcmFormat(2, 0x40000001u, 16);
    wrapping.nAvgBytesPerSec = 4; // what 4 * 0x40000001 leaves in 32 bits
    cases.push_back({"bytes per second wrapping around", wrapping});

    for (const Case& c : cases) {
        const ExactFormat exact(c.format);
        HWAVEIN handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
        EXPECT_EQ(layer.waveInOpen(&handle, 0, exact.get(), 0, 0, 0), WAVERR_BADFORMAT) << c.what;
        EXPECT_EQ(handle, nullptr) << c.what;
    }
    // The same record made consistent gets as far as the (missing) device.
    HWAVEIN handle = nullptr;
    const ExactFormat exact(good);
    EXPECT_EQ(layer.waveInOpen(&handle, 0, exact.get(), 0, 0, 0), MMSYSERR_BADDEVICEID);
}

class AlsaWaveInDevice : public ::testing::Test {
protected:
    AlsaWaveInDevice() : input_(noise(1 << 20)), device_(AlsaFileDevice::withInput(input_)) {}

    std::vector<std::uint8_t> input_;
    AlsaFileDevice device_;
    AlsaWaveIn layer_;
};

TEST_F(AlsaWaveInDevice, RefusesBadArgumentsAndFormatsTheDeviceCannotTake) {
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    HWAVEIN handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
    EXPECT_EQ(layer_.waveInOpen(nullptr, 0, &format, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(handle, nullptr);

    constexpr std::uint32_t kCallbackFunction = 0x00030000;
    handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0x1234, 0, kCallbackFunction), MMSYSERR_INVALFLAG);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0x1234, 0, 0), MMSYSERR_INVALFLAG);
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0x1234, 0), MMSYSERR_INVALFLAG);
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 1), MMSYSERR_INVALFLAG);

    EXPECT_EQ(layer_.waveInOpen(&handle, 99999, &format, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(handle, nullptr);

    // None of the refusals left the device held.
    const ExactFormat exact(format);
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, exact.get(), 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(AlsaWaveInDevice, IsHeldByOneOpenAtATime) {
    const WAVEFORMATEX format = pcmFormat(2, 44100, 16);
    HWAVEIN first = nullptr;
    ASSERT_EQ(layer_.waveInOpen(&first, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);

    HWAVEIN second = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
    EXPECT_EQ(layer_.waveInOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_ALLOCATED);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(layer_.waveInOpen(&second, WAVE_MAPPER, &format, 0, 0, 0), MMSYSERR_ALLOCATED);
    {
        AlsaWaveIn other;
        EXPECT_EQ(other.waveInOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_ALLOCATED);
        EXPECT_EQ(other.waveInClose(first), MMSYSERR_INVALHANDLE) << "handles belong to their layer";
    }

    ASSERT_EQ(layer_.waveInClose(first), MMSYSERR_NOERROR);
    ASSERT_EQ(layer_.waveInOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_NE(second, first) << "a new open must not revive the closed handle";
    EXPECT_EQ(layer_.waveInClose(first), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(layer_.waveInClose(second), MMSYSERR_NOERROR);
}

TEST_F(AlsaWaveInDevice, HeaderLifecycleReportsEachMisuse) {
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    HWAVEIN handle = nullptr;
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    const HWAVEIN unknown = reinterpret_cast<HWAVEIN>(std::uintptr_t{0x5a5a});
    Buffer buffer(999);
    WAVEHDR& header = buffer.header;

    for (const HWAVEIN bad : {HWAVEIN{nullptr}, unknown}) {
        EXPECT_EQ(layer_.waveInPrepareHeader(bad, &header, kWaveHdrSize), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(layer_.waveInUnprepareHeader(bad, &header, kWaveHdrSize), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(layer_.waveInAddBuffer(bad, &header, kWaveHdrSize), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(layer_.waveInStart(bad), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(layer_.waveInReset(bad), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(layer_.waveInClose(bad), MMSYSERR_INVALHANDLE);
    }

    EXPECT_EQ(layer_.waveInPrepareHeader(handle, nullptr, kWaveHdrSize), MMSYSERR_INVALPARAM);
    EXPECT_EQ(layer_.waveInPrepareHeader(handle, &header, kWaveHdrSize - 1), MMSYSERR_INVALPARAM);
    {
        Buffer empty(1);
        empty.header.dwBufferLength = 0;
        EXPECT_EQ(layer_.waveInPrepareHeader(handle, &empty.header, kWaveHdrSize), MMSYSERR_INVALPARAM);
        empty.header.dwBufferLength = 1;
        empty.header.lpData = nullptr;
        EXPECT_EQ(layer_.waveInPrepareHeader(handle, &empty.header, kWaveHdrSize), MMSYSERR_INVALPARAM);
        EXPECT_EQ(empty.header.dwFlags.load(), 0u);
    }
    EXPECT_EQ(header.dwFlags.load(), 0u) << "refused calls leave the header alone";

    EXPECT_EQ(layer_.waveInAddBuffer(handle, &header, kWaveHdrSize), WAVERR_UNPREPARED);
    ASSERT_EQ(layer_.waveInPrepareHeader(handle, &header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.flags(), WHDR_PREPARED);

    header.dwFlags.fetch_or(WHDR_DONE);
    header.dwBytesRecorded.store(123);
    ASSERT_EQ(layer_.waveInAddBuffer(handle, &header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.flags(), WHDR_PREPARED | WHDR_INQUEUE) << "queuing clears an earlier done";
    EXPECT_EQ(buffer.recorded(), 0u);

    EXPECT_EQ(layer_.waveInAddBuffer(handle, &header, kWaveHdrSize), WAVERR_STILLPLAYING);
    EXPECT_EQ(layer_.waveInPrepareHeader(handle, &header, kWaveHdrSize), WAVERR_STILLPLAYING);
    EXPECT_EQ(layer_.waveInUnprepareHeader(handle, &header, kWaveHdrSize), WAVERR_STILLPLAYING);
    EXPECT_EQ(layer_.waveInClose(handle), WAVERR_STILLPLAYING);
    EXPECT_EQ(buffer.flags(), WHDR_PREPARED | WHDR_INQUEUE);

    // Refusing the close left the device open and usable.
    ASSERT_EQ(layer_.waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.flags(), WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(buffer.recorded(), 0u) << "never started, so nothing was recorded";
    EXPECT_EQ(layer_.waveInReset(handle), MMSYSERR_NOERROR) << "resetting with nothing queued is harmless";

    ASSERT_EQ(layer_.waveInUnprepareHeader(handle, &header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.flags(), WHDR_DONE);
    EXPECT_EQ(layer_.waveInAddBuffer(handle, &header, kWaveHdrSize), WAVERR_UNPREPARED);
    EXPECT_EQ(buffer.all(), std::vector<std::uint8_t>(999, kUntouched));

    ASSERT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(layer_.waveInPrepareHeader(handle, &header, kWaveHdrSize), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(layer_.waveInStart(handle), MMSYSERR_INVALHANDLE);
}

struct CaptureCase {
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint32_t expectedBytes; // of a 999-byte buffer: whole frames only
};

std::string caseName(const ::testing::TestParamInfo<CaptureCase>& info) {
    return std::to_string(info.param.bits) + "bit" + (info.param.channels == 1 ? "Mono" : "Stereo") +
           std::to_string(info.param.rate);
}

class AlsaWaveInCapture : public AlsaWaveInDevice, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(AlsaWaveInCapture, RecordsTheDeviceInputExactlyIntoWholeFrames) {
    const CaptureCase c = GetParam();
    const WAVEFORMATEX format = pcmFormat(c.channels, c.rate, c.bits);
    const std::uint32_t frameBytes = format.nBlockAlign;
    Buffer buffer(999);

    StderrCapture stderrCapture;
    HWAVEIN handle = nullptr;
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(layer_.waveInPrepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_EQ(layer_.waveInAddBuffer(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(layer_.waveInStart(handle), MMSYSERR_NOERROR);
    std::uint32_t seen = 0;
    bool progressWellFormed = true;
    const bool done = waitUntil([&] {
        const bool isDone = hasFlag(buffer.flags(), WHDR_DONE);
        const std::uint32_t count = buffer.recorded();
        progressWellFormed = progressWellFormed && count % frameBytes == 0 && count >= seen;
        seen = count;
        return isDone;
    });
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(done) << "the buffer never came back; " << buffer.recorded() << " bytes recorded";
    EXPECT_TRUE(progressWellFormed) << "the count moved back or stopped inside a frame";
    RecordProperty("capture_ms", std::to_string(elapsedMs));

    EXPECT_EQ(buffer.flags(), WHDR_DONE | WHDR_PREPARED);
    EXPECT_EQ(buffer.recorded(), c.expectedBytes);
    const std::vector<std::uint8_t> expected(input_.begin(), input_.begin() + c.expectedBytes);
    EXPECT_EQ(buffer.bytes(0, c.expectedBytes), expected);
    EXPECT_EQ(buffer.bytes(c.expectedBytes, 999),
              std::vector<std::uint8_t>(999 - c.expectedBytes, kUntouched))
        << "a partial frame was written";

    EXPECT_EQ(layer_.waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.recorded(), c.expectedBytes) << "a reset keeps a finished buffer as it was";
    EXPECT_EQ(layer_.waveInUnprepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(stderrCapture.finish(), "");
    std::printf("999-byte buffer, %u-bit %s %u Hz: done after %.2f ms\n", unsigned{c.bits},
                c.channels == 1 ? "mono" : "stereo", unsigned{c.rate}, elapsedMs);
}

INSTANTIATE_TEST_SUITE_P(Formats, AlsaWaveInCapture,
                         ::testing::Values(CaptureCase{1, 11025, 8, 999}, CaptureCase{2, 11025, 8, 998},
                                           CaptureCase{1, 22050, 16, 998}, CaptureCase{2, 44100, 16, 996}),
                         caseName);

TEST_F(AlsaWaveInDevice, FillsQueuedBuffersInTurnWithoutLosingInputBetweenThem) {
    const WAVEFORMATEX format = pcmFormat(1, 22050, 16);
    Buffer first(501); // room for 250 frames; the odd byte stays unused
    Buffer second(300);
    HWAVEIN handle = nullptr;
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    for (Buffer* buffer : {&first, &second}) {
        ASSERT_EQ(layer_.waveInPrepareHeader(handle, &buffer->header, kWaveHdrSize), MMSYSERR_NOERROR);
        ASSERT_EQ(layer_.waveInAddBuffer(handle, &buffer->header, kWaveHdrSize), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(layer_.waveInStart(handle), MMSYSERR_NOERROR);
    ASSERT_TRUE(waitUntil([&] { return hasFlag(second.flags(), WHDR_DONE); }));
    EXPECT_EQ(first.flags(), WHDR_DONE | WHDR_PREPARED);
    EXPECT_EQ(first.recorded(), 500u);
    EXPECT_EQ(second.recorded(), 300u);
    EXPECT_EQ(first.bytes(0, 500), std::vector<std::uint8_t>(input_.begin(), input_.begin() + 500));
    EXPECT_EQ(second.all(), std::vector<std::uint8_t>(input_.begin() + 500, input_.begin() + 800));

    // Queued again after they came back, the first buffer takes the input that follows.
    ASSERT_EQ(layer_.waveInAddBuffer(handle, &first.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_TRUE(waitUntil([&] { return hasFlag(first.flags(), WHDR_DONE); }));
    EXPECT_EQ(first.recorded(), 500u);
    // Input arriving while nothing was queued was dropped, so the new bytes come from somewhere later on.
    const std::vector<std::uint8_t> refilled = first.bytes(0, 500);
    EXPECT_NE(std::search(input_.begin() + 800, input_.end(), refilled.begin(), refilled.end()),
              input_.end());

    EXPECT_EQ(layer_.waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
}

// Buffers still queued when the layer goes are left as they are: their owner may have released them
// already (the address sanitizer sees any write into the one freed here).
TEST_F(AlsaWaveInDevice, TeardownLeavesQueuedBuffersUntouched) {
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    auto released = std::make_unique<Buffer>(999);
    Buffer kept(999);
    {
        AlsaWaveIn layer;
        HWAVEIN handle = nullptr;
        ASSERT_EQ(layer.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
        for (Buffer* buffer : {released.get(), &kept}) {
            ASSERT_EQ(layer.waveInPrepareHeader(handle, &buffer->header, kWaveHdrSize), MMSYSERR_NOERROR);
            ASSERT_EQ(layer.waveInAddBuffer(handle, &buffer->header, kWaveHdrSize), MMSYSERR_NOERROR);
        }
        released.reset();
    }
    EXPECT_EQ(kept.flags(), WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(kept.all(), std::vector<std::uint8_t>(999, kUntouched));
}

// The writing end of the pipe device's named pipe.
class PipeWriter {
public:
    explicit PipeWriter(std::filesystem::path path) : path_(std::move(path)) {}
    ~PipeWriter() { close(); }

    // Lets a stalled open of the device go on.
    void open() { fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); }
    void close() {
        feeder_ = {};
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Keeps the pipe filled with `input`, topped up every 2 ms from a thread of its own. (The device reads
    // as fast as it is asked, and pads what the pipe lacks.)
    void feed(const std::vector<std::uint8_t>& input) {
        const auto topUp = [this, &input](std::size_t at) {
            return at + std::max<ssize_t>(0, write(fd_, input.data() + at, input.size() - at));
        };
        feeder_ = std::jthread([topUp, at = topUp(0), &input](std::stop_token stop) mutable {
            while (at < input.size() && !stop.stop_requested()) {
                std::this_thread::sleep_for(2ms);
                at = topUp(at);
            }
        });
    }
    // The descriptors of this process open on the pipe, but for the writer's own: the device's.
    int readers() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code unreadable;
            count += std::filesystem::read_symlink(entry, unreadable) == path_ &&
                     entry.path().filename() != std::to_string(fd_);
        }
        return count;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    std::jthread feeder_;
};

// The layer over the pipe device. The writer goes first, so that a stream waiting for input sees its end.
class AlsaWaveInPipe : public ::testing::Test {
protected:
    AlsaWaveInPipe()
        : input_(noise(1 << 20)), device_(AlsaFileDevice::withInputPipe()), pipe_(device_.inputFile()) {}

    std::vector<std::uint8_t> input_;
    AlsaFileDevice device_;
    AlsaWaveIn layer_;
    PipeWriter pipe_;
};

std::size_t thread_count() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// An open whose device does not answer within the bound fails, but its thread goes on opening: the device
// stays held until that thread lets go of it, so that no second stream is started on it meanwhile, and the
// next open waits for it.
TEST_F(AlsaWaveInPipe, AnOpenThatOutlivesItsBoundHoldsTheDeviceUntilItsThreadLetsGo) {
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    HWAVEIN handle = nullptr;
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NODRIVER); // nobody writes yet
    const std::size_t threads = thread_count();
    EXPECT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_EQ(thread_count(), threads) << "a second stream was started while the first still opened";
    pipe_.open();
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(pipe_.readers(), 1) << "the stalled stream had not let go of the device";
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
}

// A start after a reset, with the buffer queued again, records into it at once, whatever the device's
// thread was doing meanwhile; the wait for the bytes is woken by them.
TEST_F(AlsaWaveInPipe, StartsAgainAfterAResetWithTheBufferQueued) {
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    Buffer buffer(1 << 16);
    HWAVEIN handle = nullptr;
    pipe_.open();
    pipe_.feed(input_);
    ASSERT_EQ(layer_.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(layer_.waveInPrepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    for (int run = 0; run < 5; ++run) {
        ASSERT_EQ(layer_.waveInAddBuffer(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
        ASSERT_EQ(layer_.waveInStart(handle), MMSYSERR_NOERROR) << "run " << run;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        layer_.awaitRecorded(handle, buffer.header, 1000, deadline);
        EXPECT_GE(buffer.recorded(), 1000u) << "run " << run;
        EXPECT_LT(std::chrono::steady_clock::now(), deadline) << "run " << run;
        ASSERT_EQ(layer_.waveInReset(handle), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(layer_.waveInUnprepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(layer_.waveInClose(handle), MMSYSERR_NOERROR);
}

// The file device delivers as fast as it is read: a buffer far longer than what arrives before the reset
// (its first bytes wake the wait at once) is caught part-filled.
TEST(AlsaWaveInReset, StopsAllWritingAndHandsBackWhatWasRecorded) {
    constexpr std::uint32_t kSize = 1 << 24;
    const std::vector<std::uint8_t> input = noise(kSize);
    const AlsaFileDevice device = AlsaFileDevice::withInput(input);
    AlsaWaveIn layer;
    const WAVEFORMATEX format = pcmFormat(1, 11025, 8);
    Buffer buffer(kSize);
    HWAVEIN handle = nullptr;
    ASSERT_EQ(layer.waveInOpen(&handle, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(layer.waveInPrepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_EQ(layer.waveInAddBuffer(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    ASSERT_EQ(layer.waveInStart(handle), MMSYSERR_NOERROR);
    layer.awaitRecorded(handle, buffer.header, 1, std::chrono::steady_clock::now() + 5s);

    ASSERT_EQ(layer.waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.flags(), WHDR_DONE | WHDR_PREPARED);
    const std::uint32_t recorded = buffer.recorded();
    ASSERT_GT(recorded, 0u);
    ASSERT_LT(recorded, kSize) << "the buffer filled before the reset; nothing was left to protect";
    const std::vector<std::uint8_t> atReset = buffer.all();

    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(buffer.recorded(), recorded);
    EXPECT_TRUE(buffer.all() == atReset) << "the device wrote into the buffer after the reset";
    EXPECT_TRUE(std::equal(atReset.begin(), atReset.begin() + recorded, input.begin()));
    EXPECT_EQ(atReset[recorded], kUntouched);

    // Started again with nothing queued, the device has nowhere to write and drops its input.
    ASSERT_EQ(layer.waveInStart(handle), MMSYSERR_NOERROR);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(buffer.recorded(), recorded);
    EXPECT_EQ(layer.waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_TRUE(buffer.all() == atReset);

    EXPECT_EQ(layer.waveInUnprepareHeader(handle, &buffer.header, kWaveHdrSize), MMSYSERR_NOERROR);
    EXPECT_EQ(layer.waveInClose(handle), MMSYSERR_NOERROR);
}

} // namespace
