// What varnel-probe measures, recorded through the real wave-input layer: known bytes from ALSA's file
// device give exact figures, a machine without a device gives the window's open text and no data, and a
// private sound server session's played level reads as its dBFS.
#include "format/capture_format.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "probe/format_probe.h"
#include "probe/probe_program.h"
#include "support/AlsaFileDevice.h"
#include "support/SoundServerSession.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

namespace {

double dbfs(double fraction) {
    return 20 * std::log10(fraction);
}

constexpr std::size_t kQuarters = 4;

// A quarter of `bytes`, in whole frames of any format (at most 4 bytes).
std::size_t quarter_in_whole_frames(std::size_t bytes) {
    constexpr std::size_t kLargestFrame = 4;
    return bytes / kQuarters / kLargestFrame * kLargestFrame;
}

std::vector<std::uint8_t> repeated(std::vector<std::uint8_t> pattern, std::size_t size) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < size)
        bytes.push_back(pattern[bytes.size() % pattern.size()]);
    return bytes;
}

std::vector<std::uint8_t> samples16(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t sample : samples) {
        bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    return repeated(bytes, 8192);
}

struct FigureCase {
    const char* what;
    WAVEFORMATEX format;
    std::vector<std::uint8_t> input;
    double peak, rms, dc; // fractions of full scale
    std::uint32_t clippedPerFrame;
    Verdict verdict;
};

class FileDeviceFigures : public ::testing::TestWithParam<FigureCase> {};

TEST_P(FileDeviceFigures, AreExactForKnownBytes) {
    const FigureCase& c = GetParam();
    const AlsaFileDevice device = AlsaFileDevice::withInput(c.input);
    AlsaWaveIn layer;
    const FormatProbe probe = probe_format(layer, 0, c.format, 999);
    const std::uint32_t frames = 999 / c.format.nBlockAlign;
    EXPECT_EQ(probe.open, MMSYSERR_NOERROR);
    EXPECT_EQ(probe.buffer, MMSYSERR_NOERROR);
    EXPECT_EQ(probe.bytesRecorded, frames * c.format.nBlockAlign);
    EXPECT_TRUE(probe.recordedBuffer());
    EXPECT_TRUE(probe.firstDataMs && probe.fullBufferMs && *probe.firstDataMs <= *probe.fullBufferMs);
    EXPECT_EQ(probe.signal.samples, frames * c.format.nChannels);
    EXPECT_DOUBLE_EQ(probe.signal.peak, c.peak);
    EXPECT_NEAR(probe.signal.rms, c.rms, 1e-12);
    EXPECT_NEAR(probe.signal.dcOffset, c.dc, 1e-12);
    EXPECT_EQ(probe.signal.clipped, c.clippedPerFrame * frames);
    EXPECT_EQ(probe.verdict, c.verdict);
}

const double k127 = 127.0 / 128;

INSTANTIATE_TEST_SUITE_P(
    Table, FileDeviceFigures,
    ::testing::Values(FigureCase{"8-bit level", pcm_format(11025, 8, 1), repeated({160}, 8192), 0.25, 0.25,
                                 0.25, 0, Verdict::signal},
                      FigureCase{"8-bit silence", pcm_format(22050, 8, 2), repeated({128}, 8192), 0, 0, 0, 0,
                                 Verdict::silent},
                      FigureCase{"8-bit full swing", pcm_format(44100, 8, 2), repeated({0, 255}, 8192), 1,
                                 std::sqrt((1 + k127 * k127) / 2), (k127 - 1) / 2, 2, Verdict::clipping},
                      FigureCase{"16-bit level", pcm_format(11025, 16, 1), samples16({8192}), 0.25, 0.25,
                                 0.25, 0, Verdict::signal},
                      FigureCase{"16-bit square", pcm_format(44100, 16, 2), samples16({3277, -3277}),
                                 3277.0 / 32768, 3277.0 / 32768, 0, 0, Verdict::signal},
                      FigureCase{"16-bit top", pcm_format(22050, 16, 1), samples16({32767, 32767}),
                                 32767.0 / 32768, 32767.0 / 32768, 32767.0 / 32768, 1, Verdict::clipping},
                      FigureCase{"16-bit hiss", pcm_format(11025, 16, 2), samples16({16, -16}), 16.0 / 32768,
                                 16.0 / 32768, 0, 0, Verdict::silent}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

TEST(NoDeviceProbe, ReportsTheWindowsOpenTextNoDataAndStatusOne) {
    if (AlsaFileDevice::machineHasSoundCard())
        GTEST_SKIP() << "a sound card is present, so there is no 'no device' case to observe";
    const AlsaFileDevice device = AlsaFileDevice::noDevice();
    AlsaWaveIn layer;
    std::ostringstream out, err;
    EXPECT_EQ(run_probe({"--format", "11025,8,1", "--format", "44100,16,2"}, layer, layer, {out, err}), 1);
    EXPECT_NE(out.str().find("device 0 \"default\" (ALSA)"), std::string::npos) << out.str();
    std::size_t rows = 0;
    for (std::size_t at = 0;
         (at = out.str().find("no data\n  open: 2 Specified device identifier is out of range.\n", at)) !=
         std::string::npos;
         ++at)
        ++rows;
    EXPECT_EQ(rows, 2u) << out.str();
    // The list is read from ALSA's configuration without opening anything: the default is listed first,
    // what it channels and rate are is not known.
    std::ostringstream listOut, listErr;
    EXPECT_EQ(run_probe({"--list-devices", "--json"}, layer, layer, {listOut, listErr}), 0);
    EXPECT_EQ(
        nlohmann::json::parse(listOut.str()).at("devices").at(0),
        nlohmann::json::parse(R"({"id": 0, "name": "default", "host_api": "ALSA", "max_input_channels": null,
                                        "default_sample_rate": null, "default": true})"));
}

// The real layer, keeping the last quarter of each buffer as it stood when its run was reset: past the
// stream's start-up (silence, then the resampler ringing once, longer on a busy machine), where the level
// played is all there is.
class BufferTails : public WaveInApi {
public:
    explicit BufferTails(WaveInApi& layer) : layer_(layer) {}

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned id, const WAVEFORMATEX* format, std::uintptr_t callback,
                        std::uintptr_t instance, std::uint32_t flags) override {
        const MMRESULT result = layer_.waveInOpen(handle, id, format, callback, instance, flags);
        const std::lock_guard lock(mutex_);
        formats_[*handle] = {format->nSamplesPerSec, format->wBitsPerSample, format->nChannels};
        return result;
    }
    MMRESULT waveInPrepareHeader(HWAVEIN h, WAVEHDR* header, unsigned size) override {
        return layer_.waveInPrepareHeader(h, header, size);
    }
    MMRESULT waveInUnprepareHeader(HWAVEIN h, WAVEHDR* header, unsigned size) override {
        return layer_.waveInUnprepareHeader(h, header, size);
    }
    MMRESULT waveInAddBuffer(HWAVEIN h, WAVEHDR* header, unsigned size) override {
        const std::lock_guard lock(mutex_);
        headers_[h] = header;
        return layer_.waveInAddBuffer(h, header, size);
    }
    MMRESULT waveInStart(HWAVEIN h) override { return layer_.waveInStart(h); }
    MMRESULT waveInReset(HWAVEIN h) override {
        const MMRESULT result = layer_.waveInReset(h);
        const std::lock_guard lock(mutex_);
        if (!headers_.contains(h))
            return result; // nothing was queued: the open or the preparation failed
        const WAVEHDR& header = *headers_.at(h);
        const std::uint32_t recorded = header.dwBytesRecorded.load();
        std::vector<std::uint8_t>& tail = tails[formats_.at(h)];
        tail.clear();
        for (std::size_t i = recorded - quarter_in_whole_frames(recorded); i < recorded; ++i)
            tail.push_back(header.lpData[i].load());
        return result;
    }
    MMRESULT waveInClose(HWAVEIN h) override { return layer_.waveInClose(h); }
    void awaitRecorded(HWAVEIN h, const WAVEHDR& header, std::uint32_t bytes,
                       std::chrono::steady_clock::time_point deadline) override {
        layer_.awaitRecorded(h, header, bytes, deadline);
    }

    using Format = std::tuple<unsigned, unsigned, unsigned>; // rate, bits, channels
    std::map<Format, std::vector<std::uint8_t>> tails;

private:
    WaveInApi& layer_;
    std::mutex mutex_;
    std::map<HWAVEIN, WAVEHDR*> headers_;
    std::map<HWAVEIN, Format> formats_;
};

// The session plays a steady level into the default source; every format records it, all probed at once
// as the program does, and it follows the volume from one run to the next. The level is read from each
// buffer's last quarter, past the stream's start-up.
TEST(SoundServerProbe, EveryFormatReadsThePlayedLevelInDbfs) {
    SoundServerSession session;
    if (!session.unavailable().empty())
        GTEST_SKIP() << session.unavailable();
    AlsaWaveIn layer;
    layer.allowConcurrentOpens();
    for (const double volume : {1.0, 0.5}) {
        session.setVolume(volume);
        BufferTails device(layer);
        std::ostringstream out, err;
        ASSERT_EQ(run_probe({"--json", "--bytes", "4410", "--expect-signal"}, device, layer, {out, err}), 0)
            << out.str() << err.str();
        const nlohmann::json results = nlohmann::json::parse(out.str()).at("results");
        ASSERT_EQ(results.size(), 12u);
        ASSERT_EQ(device.tails.size(), 12u);
        const double expected = dbfs(SoundServerSession::kLevel * volume / 32768);
        for (const nlohmann::json& result : results) {
            SCOPED_TRACE(result.dump());
            EXPECT_EQ(result.at("verdict"), "signal");
            const auto bits = result.at("bits").get<unsigned>();
            const BufferTails::Format format{result.at("rate").get<unsigned>(), bits,
                                             result.at("channels").get<unsigned>()};
            const SignalFigures tail =
                measure_signal(device.tails.at(format), static_cast<std::uint16_t>(bits));
            EXPECT_NEAR(dbfs(tail.rms), expected, 0.1);
            EXPECT_NEAR(dbfs(tail.dcOffset), expected, 0.1);
        }
    }
}

// A device that takes one stream at a time, as a sound card's own device does, and fills a buffer as soon
// as it starts. Its first stream stays open until another open has been refused, so that the formats
// probed side by side do meet it busy.
class OneStreamDevice : public WaveInApi {
public:
    explicit OneStreamDevice(bool busyForGood = false) : busyForGood_(busyForGood) {}

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned, const WAVEFORMATEX*, std::uintptr_t, std::uintptr_t,
                        std::uint32_t) override {
        std::lock_guard lock(mutex_);
        ++opens;
        if (busyForGood_ || open_) {
            ++refusals;
            changed_.notify_all();
            return MMSYSERR_ALLOCATED;
        }
        open_ = true;
        *handle = reinterpret_cast<HWAVEIN>(std::uintptr_t{1});
        return MMSYSERR_NOERROR;
    }
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR*, unsigned) override { return known(handle); }
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR*, unsigned) override { return known(handle); }
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned) override {
        if (known(handle) != MMSYSERR_NOERROR)
            return MMSYSERR_INVALHANDLE;
        queued_ = header;
        return MMSYSERR_NOERROR;
    }
    MMRESULT waveInStart(HWAVEIN handle) override {
        if (known(handle) != MMSYSERR_NOERROR)
            return MMSYSERR_INVALHANDLE;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return refusals > 0; });
        for (std::uint32_t i = 0; i < queued_->dwBufferLength; ++i)
            queued_->lpData[i].store(200);
        queued_->dwBytesRecorded.store(queued_->dwBufferLength);
        queued_->dwFlags.store(WHDR_DONE | WHDR_PREPARED);
        return MMSYSERR_NOERROR;
    }
    MMRESULT waveInReset(HWAVEIN handle) override { return known(handle); }
    MMRESULT waveInClose(HWAVEIN handle) override {
        std::lock_guard lock(mutex_);
        if (handle == nullptr || !open_)
            return MMSYSERR_INVALHANDLE;
        open_ = false;
        return MMSYSERR_NOERROR;
    }
    // The buffer is full once the start has returned.
    void awaitRecorded(HWAVEIN, const WAVEHDR&, std::uint32_t,
                       std::chrono::steady_clock::time_point) override {}

    int opens = 0;
    int refusals = 0;

private:
    MMRESULT known(HWAVEIN handle) const {
        return handle == nullptr ? MMSYSERR_INVALHANDLE : MMSYSERR_NOERROR;
    }

    bool busyForGood_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    WAVEHDR* queued_ = nullptr; // only the one open stream's thread touches it
};

TEST(ProbeSideBySide, FormatsMeetingTheirOwnStreamsBusyAreProbedAgainAlone) {
    OneStreamDevice device;
    const std::vector<WAVEFORMATEX> formats{pcm_format(11025, 8, 1), pcm_format(22050, 16, 2),
                                            pcm_format(44100, 8, 2)};
    const std::vector<FormatProbe> probes = probe_formats(device, 0, formats, 999);
    ASSERT_EQ(probes.size(), 3u);
    EXPECT_GT(device.refusals, 0);
    EXPECT_EQ(device.opens, 3 + device.refusals);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        EXPECT_EQ(probes[i].format.nSamplesPerSec, formats[i].nSamplesPerSec);
        EXPECT_TRUE(probes[i].recordedBuffer()) << i;
    }
}

TEST(ProbeSideBySide, ADeviceBusyForGoodIsReportedBusyAfterItsLoneTry) {
    OneStreamDevice device(true);
    const std::vector<FormatProbe> probes =
        probe_formats(device, 0, {pcm_format(11025, 8, 1), pcm_format(11025, 16, 1)}, 999);
    EXPECT_EQ(device.opens, 4);
    for (const FormatProbe& probe : probes) {
        EXPECT_EQ(probe.open, MMSYSERR_ALLOCATED);
        EXPECT_EQ(probe.verdict, Verdict::noData);
    }
}

} // namespace
