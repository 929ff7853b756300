#include "platform/wave_in/linux/AlsaWaveIn.h"

#include "platform/wave_in/linux/audio_quiet.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr const char* kDefaultDevice = "default";
// A small period, so that the first data comes as soon as the sound server's graph runs. The buffer is
// far longer: for capture it adds no delay, and it rides out a busy machine without overruns.
constexpr unsigned kPeriodMicroseconds = 5000;
constexpr unsigned kBufferMicroseconds = 250000;
// How often a running stream whose device went quiet asks it again, to notice that its server has gone.
constexpr int kPollMilliseconds = 50;
// Overruns in a row, with no data between them, after which the device counts as gone: a sound server
// that died answers every read with one.
constexpr int kRecoveriesInARow = 3;
// A close normally ends the device's thread in a few milliseconds; one that stalls on its server ends it
// later, alone, while the press that closed it is already over.
constexpr std::chrono::milliseconds kCloseBound{10};
// When the layer goes (the program ends), the threads still closing are given this long to finish.
constexpr std::chrono::milliseconds kEndBound{1000};

MMRESULT result_for(int error) {
    switch (error) {
    case 0:
        return MMSYSERR_NOERROR;
    case -EBUSY:
        return MMSYSERR_ALLOCATED;
    case -ENOMEM:
        return MMSYSERR_NOMEM;
    case -ENOENT: // an unknown PCM name, or a card that is not there
    case -ENODEV:
    case -ENXIO:
        return MMSYSERR_BADDEVICEID;
    case -EINVAL: // the device took none of the ways to record the format
        return WAVERR_BADFORMAT;
    default: // a sound server that is not running (-EHOSTDOWN, -ECONNREFUSED), a device that went away
        return MMSYSERR_NODRIVER;
    }
}

MMRESULT check_format(const WAVEFORMATEX& format) {
    const unsigned channels = format.nChannels;
    const unsigned bits = format.wBitsPerSample;
    const bool pcm = format.wFormatTag == WAVE_FORMAT_PCM && (bits == 8 || bits == 16) &&
                     (channels == 1 || channels == 2) && format.nSamplesPerSec != 0;
    // Trailing bytes announced by cbSize are not ours to read, and plain PCM needs none.
    const bool consistent =
        format.cbSize == 0 && format.nBlockAlign == channels * bits / 8 &&
        std::uint64_t{format.nAvgBytesPerSec} == std::uint64_t{format.nBlockAlign} * format.nSamplesPerSec;
    return pcm && consistent ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

// Guards the layer's handles and the devices in use, which every instance shares. Requests come from
// several threads at once (varnel-probe); none holds this while it waits for a device. Never destroyed:
// layers live in statics.
std::mutex& layer_mutex() {
    static auto* const kMutex = new std::mutex;
    return *kMutex;
}

// Devices open through any instance, once per stream, so that a second open is refused as the program
// expects rather than two captures silently splitting one device.
std::multiset<std::string>& devices_in_use() {
    static auto* const kDevices = new std::multiset<std::string>;
    return *kDevices;
}

std::uintptr_t next_handle_value = 1;

// Opens and closes take turns across the process: sound servers' plugins set up their clients with calls
// that are not thread-safe (PipeWire's asks getpwuid for the user's name).
std::mutex& open_turn() {
    static auto* const kMutex = new std::mutex;
    return *kMutex;
}

bool header_valid(const WAVEHDR* header, unsigned headerSize) {
    return header != nullptr && headerSize >= kWaveHdrSize;
}

void mark_done(WAVEHDR& header) {
    // One atomic step, so that nobody sees a header both queued and done; release publishes its bytes.
    std::uint32_t flags = header.dwFlags.load(std::memory_order_relaxed);
    while (!header.dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE,
                                                 std::memory_order_release, std::memory_order_relaxed)) {
    }
}

// Sets the format and the timing; `periodFrames` gets the period the device chose.
int configure(snd_pcm_t* pcm, const WAVEFORMATEX& format, snd_pcm_uframes_t& periodFrames) {
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    unsigned period = kPeriodMicroseconds;
    unsigned buffer = kBufferMicroseconds;
    // 8-bit PCM is unsigned with silence at 128, 16-bit signed little-endian: the device's own layouts.
    const snd_pcm_format_t sampleFormat =
        format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    int error = snd_pcm_hw_params_any(pcm, params);
    if (error >= 0 && (snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
                       snd_pcm_hw_params_set_format(pcm, params, sampleFormat) < 0 ||
                       snd_pcm_hw_params_set_channels(pcm, params, format.nChannels) < 0 ||
                       snd_pcm_hw_params_set_rate(pcm, params, format.nSamplesPerSec, 0) < 0)) {
        return -EINVAL;
    }
    snd_pcm_hw_params_set_period_time_near(pcm, params, &period, nullptr);
    snd_pcm_hw_params_set_buffer_time_near(pcm, params, &buffer, nullptr);
    error = error < 0 ? error : run_with_stderr_held([&] { return snd_pcm_hw_params(pcm, params); });
    return error < 0 ? error : snd_pcm_hw_params_get_period_size(params, &periodFrames, nullptr);
}

} // namespace

// One open device and the thread that owns its PCM. The thread makes every call on the PCM (open, start,
// read, drop, close); the caller's requests only change what it is asked to do and wait for it a bounded
// time, so no request hangs on a sound server. Buffers are written under the lock, so once reset() has
// handed them back nothing writes into them, whatever the device does.
struct AlsaWaveIn::Stream {
    enum class Phase { opening, open, closed };

    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::opening;
    MMRESULT openResult = MMSYSERR_NODRIVER;
    bool started = false;
    bool closing = false;
    std::uint64_t startsAsked = 0, startsAnswered = 0;
    int startError = 0;
    std::deque<WAVEHDR*> queue;
    std::uint32_t frameBytes;
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    explicit Stream(std::uint32_t frameBytes) : frameBytes(frameBytes) {}
    ~Stream() { close(wake); }

    void poke() const { eventfd_write(wake, 1); }
    bool wantsRunning() const { return started && !queue.empty() && !closing; }

    void run(const std::string& device, const WAVEFORMATEX& format) {
        snd_pcm_t* pcm = nullptr;
        snd_pcm_uframes_t periodFrames = 0;
        int error = 0;
        {
            const std::lock_guard turn(open_turn());
            error = run_with_stderr_held(
                [&] { return snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK); });
            error = error < 0 ? error : configure(pcm, format, periodFrames);
        }
        if (settle(Phase::open, result_for(error)) == MMSYSERR_NOERROR) {
            serve(pcm, std::max<snd_pcm_uframes_t>(periodFrames, 1));
        }
        if (pcm != nullptr) {
            const std::lock_guard turn(open_turn());
            run_with_stderr_held([&] { return snd_pcm_close(pcm); });
        }
        settle(Phase::closed, openResult);
    }

    MMRESULT settle(Phase reached, MMRESULT result) {
        const std::lock_guard lock(mutex);
        phase = reached;
        openResult = result;
        changed.notify_all();
        return closing ? MMSYSERR_NODRIVER : result;
    }

    // Reads a period at a time: never more than the device holds, which its file plugin gets wrong.
    void serve(snd_pcm_t* pcm, snd_pcm_uframes_t periodFrames) {
        std::vector<pollfd> fds(1 + std::max(snd_pcm_poll_descriptors_count(pcm), 0));
        fds[0] = {wake, POLLIN, 0};
        snd_pcm_poll_descriptors(pcm, &fds[1], static_cast<unsigned>(fds.size() - 1));
        std::vector<std::uint8_t> scratch(periodFrames * frameBytes);
        bool running = false;
        for (int recoveries = 0;;) {
            bool wanted = false;
            {
                const std::lock_guard lock(mutex);
                if (closing) {
                    break;
                }
                wanted = wantsRunning();
            }
            if (wanted != running) {
                running = wanted ? answerStart(pcm) : (snd_pcm_drop(pcm), false);
            }
            poll(fds.data(), running ? fds.size() : 1, kPollMilliseconds);
            eventfd_t ignored = 0;
            eventfd_read(wake, &ignored);
            if (!running) {
                continue;
            }
            const snd_pcm_sframes_t frames = snd_pcm_readi(pcm, scratch.data(), periodFrames);
            if (frames >= 0) {
                recoveries = 0;
                deliver(scratch.data(), static_cast<std::size_t>(frames) * frameBytes);
            } else if (frames != -EAGAIN &&
                       (++recoveries > kRecoveriesInARow ||
                        snd_pcm_recover(pcm, static_cast<int>(frames), 1) < 0 || snd_pcm_start(pcm) < 0)) {
                giveBack(); // the device is gone: its buffers come back with what they hold
                running = (snd_pcm_drop(pcm), false);
            }
        }
    }

    bool answerStart(snd_pcm_t* pcm) {
        const int error = run_with_stderr_held([&] {
            const int prepared = snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED ? 0 : snd_pcm_prepare(pcm);
            return prepared < 0 ? prepared : snd_pcm_start(pcm);
        });
        const std::lock_guard lock(mutex);
        startError = error;
        startsAnswered = startsAsked;
        started = started && error >= 0;
        changed.notify_all();
        return error >= 0;
    }

    // A buffer takes whole frames only, so a frame never straddles two; input with no buffer is dropped.
    void deliver(const std::uint8_t* input, std::size_t bytes) {
        const std::lock_guard lock(mutex);
        while (!queue.empty() && started) {
            WAVEHDR& header = *queue.front();
            const std::uint32_t recorded = header.dwBytesRecorded.load(std::memory_order_relaxed);
            const std::uint32_t room = (header.dwBufferLength - recorded) / frameBytes * frameBytes;
            const auto taken = static_cast<std::uint32_t>(std::min<std::size_t>(room, bytes));
            for (std::uint32_t i = 0; i < taken; ++i) {
                header.lpData[recorded + i].store(input[i], std::memory_order_relaxed);
            }
            header.dwBytesRecorded.store(recorded + taken, std::memory_order_release);
            input += taken;
            bytes -= taken;
            if (taken < room) {
                return;
            }
            queue.pop_front();
            mark_done(header);
        }
    }

    void giveBack() {
        const std::lock_guard lock(mutex);
        for (WAVEHDR* header : queue) {
            mark_done(*header);
        }
        queue.clear();
        started = false;
    }

    template <typename Condition> bool await(std::chrono::milliseconds bound, Condition condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, bound, condition);
    }
};

AlsaWaveIn::AlsaWaveIn() {
    quiet_audio_libraries();
}

AlsaWaveIn::~AlsaWaveIn() {
    while (!opens_.empty()) {
        const auto handle = reinterpret_cast<HWAVEIN>(opens_.begin()->first);
        waveInReset(handle);
        waveInClose(handle);
    }
    const auto end = std::chrono::steady_clock::now() + kEndBound;
    for (const std::weak_ptr<Stream>& closing : closing_) {
        if (const std::shared_ptr<Stream> stream = closing.lock()) {
            stream->await(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()),
                [&] { return stream->phase == Stream::Phase::closed; });
        }
    }
}

void AlsaWaveIn::allowConcurrentOpens() {
    const std::lock_guard lock(layer_mutex());
    concurrentOpens_ = true;
}

std::vector<CaptureDeviceInfo> AlsaWaveIn::captureDevices() {
    std::vector<CaptureDeviceInfo> devices{{kDefaultDevice, "ALSA", 0, 0, true}};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) {
        return devices;
    }
    for (void** hint = hints; *hint != nullptr; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* direction = snd_device_name_get_hint(*hint, "IOID"); // none: both ways
        if (name != nullptr && std::string(name) != kDefaultDevice &&
            (direction == nullptr || std::string(direction) == "Input")) {
            devices.push_back({name, "ALSA", 0, 0, false});
        }
        free(name);
        free(direction);
    }
    snd_device_name_free_hint(hints);
    return devices;
}

MMRESULT AlsaWaveIn::waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
    if (handle == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *handle = nullptr;
    if (format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (callback != 0 || instance != 0 || flags != 0) {
        return MMSYSERR_INVALFLAG;
    }
    const WAVEFORMATEX copy = *format;
    if (const MMRESULT refusal = check_format(copy); refusal != MMSYSERR_NOERROR) {
        return refusal;
    }
    const bool byDefault = deviceId == 0 || deviceId == WAVE_MAPPER;
    const std::vector<CaptureDeviceInfo> listed =
        byDefault ? std::vector<CaptureDeviceInfo>{} : captureDevices();
    if (!byDefault && deviceId >= listed.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    const std::string device = byDefault ? kDefaultDevice : listed[deviceId].name;
    // Side by side, each open waits its turn behind the others.
    std::chrono::milliseconds bound = kRequestBound;
    {
        const std::lock_guard lock(layer_mutex());
        bound = concurrentOpens_ ? kSideBySideBound : kRequestBound;
        if (!concurrentOpens_ && devices_in_use().contains(device)) {
            return MMSYSERR_ALLOCATED;
        }
        devices_in_use().insert(device);
    }
    auto stream = std::make_shared<Stream>(copy.nBlockAlign);
    MMRESULT result = MMSYSERR_NOMEM;
    try {
        std::thread([stream, device, copy] { stream->run(device, copy); }).detach();
        std::unique_lock streamLock(stream->mutex);
        const bool answered = stream->changed.wait_for(
            streamLock, bound, [&] { return stream->phase != Stream::Phase::opening; });
        result = answered ? stream->openResult : MMSYSERR_NODRIVER;
        // An open that has not answered yet is closed by its thread once it does.
        stream->closing = result != MMSYSERR_NOERROR;
    } catch (const std::system_error&) {
    }
    stream->poke();
    const std::lock_guard lock(layer_mutex());
    if (result != MMSYSERR_NOERROR) {
        devices_in_use().erase(devices_in_use().find(device));
        return result;
    }
    const std::uintptr_t value = next_handle_value++;
    opens_.emplace(value, Open{stream, device});
    *handle = reinterpret_cast<HWAVEIN>(value);
    return MMSYSERR_NOERROR;
}

std::shared_ptr<AlsaWaveIn::Stream> AlsaWaveIn::find(HWAVEIN handle) {
    const std::lock_guard lock(layer_mutex());
    const auto found = opens_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == opens_.end() ? nullptr : found->second.stream;
}

MMRESULT AlsaWaveIn::waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    if (header_valid(header, headerSize) && (header->lpData == nullptr || header->dwBufferLength == 0)) {
        return find(handle) == nullptr ? MMSYSERR_INVALHANDLE : MMSYSERR_INVALPARAM;
    }
    return markPrepared(handle, header, headerSize, true);
}

MMRESULT AlsaWaveIn::waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return markPrepared(handle, header, headerSize, false);
}

MMRESULT AlsaWaveIn::markPrepared(HWAVEIN handle, WAVEHDR* header, unsigned headerSize, bool prepared) {
    const std::lock_guard lock(layer_mutex());
    if (opens_.find(reinterpret_cast<std::uintptr_t>(handle)) == opens_.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!header_valid(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((header->dwFlags.load(std::memory_order_acquire) & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    if (prepared) {
        header->dwFlags.fetch_or(WHDR_PREPARED, std::memory_order_acq_rel);
    } else {
        header->dwFlags.fetch_and(~WHDR_PREPARED, std::memory_order_acq_rel);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaWaveIn::waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    const std::shared_ptr<Stream> stream = find(handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!header_valid(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    const std::uint32_t flags = header->dwFlags.load(std::memory_order_acquire);
    if ((flags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if ((flags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    if (header->lpData == nullptr || header->dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    const std::lock_guard lock(stream->mutex);
    header->dwBytesRecorded.store(0, std::memory_order_relaxed);
    header->dwFlags.store((flags & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_relaxed);
    stream->queue.push_back(header);
    stream->poke();
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaWaveIn::waveInStart(HWAVEIN handle) {
    const std::shared_ptr<Stream> stream = find(handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    std::uint64_t ticket = 0;
    {
        const std::lock_guard lock(stream->mutex);
        if (stream->started) {
            return MMSYSERR_NOERROR;
        }
        stream->started = true;
        ticket = ++stream->startsAsked;
        if (stream->queue.empty()) {
            return MMSYSERR_NOERROR; // the device starts once a buffer is queued
        }
    }
    stream->poke();
    if (!stream->await(kRequestBound, [&] { return stream->startsAnswered >= ticket; })) {
        return MMSYSERR_NODRIVER; // the caller's reset hands the buffer back; the thread stops on its own
    }
    const std::lock_guard lock(stream->mutex);
    return result_for(std::min(stream->startError, 0));
}

MMRESULT AlsaWaveIn::waveInReset(HWAVEIN handle) {
    const std::shared_ptr<Stream> stream = find(handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    stream->giveBack(); // the thread drops what the device still holds when it next looks
    stream->poke();
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaWaveIn::waveInClose(HWAVEIN handle) {
    std::shared_ptr<Stream> stream;
    {
        const std::lock_guard lock(layer_mutex());
        const auto found = opens_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == opens_.end()) {
            return MMSYSERR_INVALHANDLE;
        }
        stream = found->second.stream;
        const std::lock_guard streamLock(stream->mutex);
        if (!stream->queue.empty()) {
            return WAVERR_STILLPLAYING;
        }
        stream->closing = true;
        devices_in_use().erase(devices_in_use().find(found->second.device));
        opens_.erase(found);
        std::erase_if(closing_, [](const std::weak_ptr<Stream>& closed) { return closed.expired(); });
        closing_.push_back(stream);
    }
    stream->poke();
    stream->await(kCloseBound, [&] { return stream->phase == Stream::Phase::closed; });
    return MMSYSERR_NOERROR;
}
