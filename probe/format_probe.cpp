#include "probe/format_probe.h"

#include "capture/CaptureRun.h"
#include "format/capture_format.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = DeliveryWait::Clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::uint32_t whole_frames(std::uint32_t bytes, const WAVEFORMATEX& format) {
    return format.nBlockAlign == 0 ? bytes : bytes / format.nBlockAlign * format.nBlockAlign;
}

// Starts the run and waits for the first byte and then the whole buffer, noting when each came.
void record(CaptureRun& run, FormatProbe& probe) {
    probe.started = run.start();
    const Clock::time_point start = Clock::now(); // other streams' requests may have kept the start waiting
    if (!probe.started) {
        return;
    }
    const DeliveryWait delivery = run.delivery();
    delivery.awaitBytes(1);
    if (run.bytesRecorded() > 0) {
        probe.firstDataMs = milliseconds_since(start);
    }
    delivery.awaitBytes(probe.bytesExpected);
    if (probe.bytesExpected > 0 && run.bytesRecorded() >= probe.bytesExpected) {
        probe.fullBufferMs = milliseconds_since(start);
    }
}

} // namespace

bool FormatProbe::recordedBuffer() const {
    return open == MMSYSERR_NOERROR && buffer == MMSYSERR_NOERROR && bytesExpected > 0 &&
           bytesRecorded >= bytesExpected;
}

FormatProbe probe_format(WaveInApi& device, unsigned deviceId, const WAVEFORMATEX& format,
                         std::uint32_t bufferBytes) {
    FormatProbe probe;
    probe.format = format;
    probe.bufferBytes = bufferBytes;
    probe.bytesExpected = whole_frames(bufferBytes, format);
    const auto buffer = std::make_unique<CaptureByte[]>(bufferBytes);
    CaptureSession session;
    {
        CaptureRun run(device, session, format, buffer.get(), bufferBytes, deviceId);
        probe.open = run.open();
        probe.buffer = run.queue();
        record(run, probe);
    } // the device is stopped and closed here: nothing writes into the buffer any more
    probe.bytesRecorded = std::min(session.header.dwBytesRecorded.load(), bufferBytes);
    std::vector<std::uint8_t> bytes(probe.bytesRecorded);
    for (std::uint32_t i = 0; i < probe.bytesRecorded; ++i) {
        bytes[i] = buffer[i].load(std::memory_order_relaxed);
    }
    probe.signal = measure_signal(bytes, format.wBitsPerSample);
    probe.verdict = verdict_for(probe.signal);
    return probe;
}

std::vector<FormatProbe> probe_formats(WaveInApi& device, unsigned deviceId,
                                       const std::vector<WAVEFORMATEX>& formats, std::uint32_t bufferBytes,
                                       const std::function<void(std::size_t)>& done) {
    const std::size_t count = formats.size();
    const auto probedAgain = [&](const FormatProbe& probe) {
        return count > 1 && (probe.open & 0xFFFFu) == MMSYSERR_ALLOCATED;
    };
    std::vector<std::promise<FormatProbe>> promises(count);
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t finished = 0; // the formats done for good; this and `working` under `mutex`
    std::size_t working = std::min(kStreamsAtOnce, count);
    const auto work = [&] {
        for (std::size_t i; (i = next++) < count;) {
            bool forGood = true;
            try {
                FormatProbe probe = probe_format(device, deviceId, formats[i], bufferBytes);
                forGood = !probedAgain(probe);
                promises[i].set_value(std::move(probe));
            } catch (...) {
                promises[i].set_exception(std::current_exception());
            }
            const std::lock_guard lock(mutex);
            finished += forGood ? 1 : 0;
            changed.notify_one();
        }
        const std::lock_guard lock(mutex);
        --working;
        changed.notify_one();
    };

    const auto show = [&](std::size_t formatsDone) {
        if (done) {
            done(formatsDone);
        }
    };
    std::size_t shown = 0;
    show(shown);
    {
        std::vector<std::jthread> workers; // joined before what they use goes
        for (std::size_t w = working; w > 0; --w) {
            workers.emplace_back(work);
        }
        std::unique_lock lock(mutex);
        while (working > 0 || finished > shown) {
            changed.wait(lock, [&] { return working == 0 || finished > shown; });
            if (finished > shown) {
                shown = finished;
                lock.unlock();
                show(shown);
                lock.lock();
            }
        }
    }
    std::vector<FormatProbe> probes;
    for (std::promise<FormatProbe>& promise : promises) {
        probes.push_back(promise.get_future().get());
    }
    for (FormatProbe& probe : probes) {
        if (probedAgain(probe)) {
            probe = probe_format(device, deviceId, probe.format, bufferBytes);
            show(++shown);
        }
    }
    return probes;
}
