#include "platform/wave_in/linux/AlsaWaveIn.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultDevice = "default";
constexpr const char* kJackLibrary = "libjack.so.0";
// A sound server runs its graph (PipeWire) or sends fragments (PulseAudio) at the period asked for, and the
// stream wakes once one has come in. A twentieth of the recording, within these bounds: a short press has its
// first data as soon as the server has any, a long capture wakes server and process a score of times a
// second.
constexpr std::uint64_t kPeriodsPerRecording = 20;
constexpr std::uint64_t kShortestPeriodMicroseconds = 5000;
constexpr std::uint64_t kLongestPeriodMicroseconds = 50000;
// Far longer: for capture it adds no delay, and it rides out a busy machine without overruns.
constexpr unsigned kBufferMicroseconds = 250000;
// How often a running stream whose device went quiet asks it again, to notice that its server has gone.
constexpr int kQuietMilliseconds = 50;
// Recoveries in a row, with no data between them, after which the device counts as gone: a sound server
// that died answers every read with an overrun.
constexpr int kRecoveriesInARow = 3;
// When the layer goes (the program ends), the threads still at work are given this long to finish.
constexpr std::chrono::milliseconds kEndBound{1000};

// Any other error is a sound server that is not running (-EHOSTDOWN, -ECONNREFUSED) or a device gone.
constexpr std::array<std::pair<int, MMRESULT>, 7> kResults{{
    {0, MMSYSERR_NOERROR},
    {-EBUSY, MMSYSERR_ALLOCATED},
    {-ENOMEM, MMSYSERR_NOMEM},
    {-ENOENT, MMSYSERR_BADDEVICEID}, // an unknown PCM name, or a card that is not there
    {-ENODEV, MMSYSERR_BADDEVICEID},
    {-ENXIO, MMSYSERR_BADDEVICEID},
    {-EINVAL, WAVERR_BADFORMAT}, // the device took none of the ways to record the format
}};

MMRESULT result_for(int error) {
    const auto* found =
        std::find_if(kResults.begin(), kResults.end(), [&](auto& r) { return r.first == error; });
    return found == kResults.end() ? MMSYSERR_NODRIVER : found->second;
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

// What every instance shares; never destroyed, since layers live in statics. Requests come from several
// threads at once (varnel-probe); none holds `mutex` while it waits for a device.
struct Shared {
    std::mutex mutex;
    std::condition_variable released;
    // Devices open, once per handle, so that a second open is refused as the program expects rather than
    // two captures silently splitting one device; and devices whose stream's thread still holds them.
    std::multiset<std::string> held, busy;
    std::uintptr_t nextHandle = 1;
    // Opens and closes take turns across the process: sound servers' plugins set up their clients with
    // calls that are not thread-safe (PipeWire's asks getpwuid for the user's name).
    std::mutex openTurn;
};

Shared& shared() {
    static auto* const kShared = new Shared;
    return *kShared;
}

void erase_one(std::multiset<std::string>& devices, const std::string& device) {
    devices.erase(devices.find(device));
}

void mark_done(WAVEHDR& header) {
    // A queued header is in the queue and not done: one atomic step swaps the two, so that nobody sees it
    // both queued and done, and release publishes its bytes.
    header.dwFlags.fetch_xor(WHDR_INQUEUE | WHDR_DONE, std::memory_order_release);
}

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

// Once, before the first device is opened: alsa-lib's messages go nowhere, PipeWire's client library logs
// nothing and opening JACK's device starts no JACK server, unless the user asked for either.
void quiet_audio_libraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(ignore_alsa_message);
        setenv("PIPEWIRE_DEBUG", "0", 0);
        setenv("JACK_NO_START_SERVER", "1", 0);
    });
}

// JACK's library reports through a function of its own that prints by default. Before a device that ALSA's
// configuration makes one of JACK's plugin is opened, the library is loaded and told to keep quiet; the
// plugin opens the same library. Nothing is loaded for any other device.
void quiet_jack_for(const char* device) {
    static std::once_flag once;
    snd_config_t* top = nullptr;
    snd_config_t* type = nullptr;
    const char* name = nullptr;
    if (snd_config_update_ref(&top) >= 0 &&
        snd_config_searchv(top, &type, "pcm", device, "type", nullptr) >= 0 &&
        snd_config_get_string(type, &name) >= 0 && std::string_view(name) == "jack") {
        std::call_once(once, [] {
            using SetReporter = void (*)(void (*)(const char*));
            void* jack = dlopen(kJackLibrary, RTLD_NOW | RTLD_LOCAL); // never unloaded
            for (const char* setter : {"jack_set_error_function", "jack_set_info_function"}) {
                if (auto set =
                        jack == nullptr ? nullptr : reinterpret_cast<SetReporter>(dlsym(jack, setter))) {
                    set([](const char*) {});
                }
            }
        });
    }
    if (top != nullptr) {
        snd_config_unref(top);
    }
}

// Narrows the device to the format (-EINVAL when it takes none of the ways to record it) and, given
// `bytes` to record, sets it up with their period; `bufferFrames` gets the buffer it chose.
int configure(snd_pcm_t* pcm, const WAVEFORMATEX& format, std::uint64_t bytes = 0,
              snd_pcm_uframes_t* bufferFrames = nullptr) {
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    // 8-bit PCM is unsigned with silence at 128, 16-bit signed little-endian: the device's own layouts.
    const snd_pcm_format_t sampleFormat =
        format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    const int error = snd_pcm_hw_params_any(pcm, params);
    if (error >= 0 && (snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
                       snd_pcm_hw_params_set_format(pcm, params, sampleFormat) < 0 ||
                       snd_pcm_hw_params_set_channels(pcm, params, format.nChannels) < 0 ||
                       snd_pcm_hw_params_set_rate(pcm, params, format.nSamplesPerSec, 0) < 0)) {
        return -EINVAL;
    }
    if (error < 0 || bufferFrames == nullptr) {
        return std::min(error, 0);
    }
    unsigned buffer = kBufferMicroseconds;
    auto period =
        static_cast<unsigned>(std::clamp(bytes * 1000000 / format.nAvgBytesPerSec / kPeriodsPerRecording,
                                         kShortestPeriodMicroseconds, kLongestPeriodMicroseconds));
    snd_pcm_hw_params_set_buffer_time_near(pcm, params, &buffer, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, params, &period, nullptr);
    const int set = snd_pcm_hw_params(pcm, params);
    return set < 0 ? set : snd_pcm_hw_params_get_buffer_size(params, bufferFrames);
}

} // namespace

// One stream on a device and the thread that owns its PCM. The thread makes every call on the PCM (open,
// set-up, start, read, drop, close); the caller's requests only change what it is asked to do and wait for
// it a bounded time, so no request hangs on a sound server. Buffers are written under the lock, so once
// reset() has handed them back nothing writes into them, whatever the device does.
struct AlsaWaveIn::Stream {
    const std::string device;
    const WAVEFORMATEX format;
    const std::uint32_t frameBytes = format.nBlockAlign;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<MMRESULT> opened; // the open's answer, once the thread has one
    bool ended = false;             // the thread has closed the device
    bool started = false;
    bool closing = false;
    std::uint64_t startsAsked = 0, startsAnswered = 0;
    int startError = 0;
    std::deque<WAVEHDR*> queue;
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // The thread's own: the device, and room for all its buffer holds.
    snd_pcm_t* pcm = nullptr;
    std::vector<std::uint8_t> scratch;

    Stream(std::string device, const WAVEFORMATEX& format) : device(std::move(device)), format(format) {}
    ~Stream() { close(wake); }

    void poke() const { eventfd_write(wake, 1); }

    template <typename Condition> bool await(Clock::time_point deadline, Condition condition) {
        std::unique_lock lock(mutex);
        return changed.wait_until(lock, deadline, condition);
    }

    template <typename Change> void tell(Change change) {
        const std::lock_guard lock(mutex);
        change();
        changed.notify_all();
    }

    // The device is set up for a recording at its start, once its buffers are known.
    void run() {
        int error = 0;
        {
            const std::lock_guard turn(shared().openTurn);
            quiet_jack_for(device.c_str());
            error = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
            error = error < 0 ? error : configure(pcm, format);
        }
        bool serving = false;
        tell([&] {
            opened = result_for(error);
            serving = opened == MMSYSERR_NOERROR && !closing;
        });
        if (serving) {
            serve();
        }
        if (pcm != nullptr) {
            const std::lock_guard turn(shared().openTurn);
            snd_pcm_close(pcm);
        }
        {
            const std::lock_guard lock(shared().mutex); // the device is free for the next open
            erase_one(shared().busy, device);
        }
        shared().released.notify_all();
        tell([&] { ended = true; });
    }

    // alsa-lib's capture loop: sleep in poll() until the device or a request wakes the thread, have the
    // device translate what its descriptors say (a plugin clears its own wake-ups there), and read only what
    // is in when it tells of data, or after a quiet while, to learn whether it is still there.
    void serve() {
        std::vector<pollfd> fds(1 + std::max(snd_pcm_poll_descriptors_count(pcm), 0));
        fds[0] = {wake, POLLIN, 0};
        const auto pcmFds = static_cast<unsigned>(fds.size() - 1);
        bool running = false;
        for (int recoveries = 0;;) {
            std::unique_lock lock(mutex);
            const bool wanted = started && !queue.empty();
            const bool start = wanted && (!running || startsAnswered < startsAsked);
            // Headers are read only to start: a buffer queued on a stream nobody starts may be gone.
            const std::uint64_t queued =
                !start ? 0
                       : std::accumulate(queue.begin(), queue.end(), std::uint64_t{0},
                                         [](auto sum, auto* h) { return sum + h->dwBufferLength; });
            if (closing) {
                break;
            }
            lock.unlock();
            if (start || (running && !wanted)) {
                running = start ? answerStart(queued) : (snd_pcm_drop(pcm), false);
            }
            // Asked afresh before each wait, as snd_pcm_wait() does: a plugin takes back a wake-up it no
            // longer owes there (PipeWire's, once what it announced has been read).
            if (running) {
                snd_pcm_poll_descriptors(pcm, &fds[1], pcmFds);
            }
            const int ready = poll(fds.data(), running ? fds.size() : 1, running ? kQuietMilliseconds : -1);
            eventfd_t ignored = 0;
            eventfd_read(wake, &ignored);
            unsigned short revents = 0;
            if (!running ||
                (ready > 0 && snd_pcm_poll_descriptors_revents(pcm, &fds[1], pcmFds, &revents) >= 0 &&
                 (revents & (POLLIN | POLLERR)) == 0)) {
                continue;
            }
            // What the device holds, in one read: never more than it has, which its file plugin gets wrong.
            snd_pcm_sframes_t frames = snd_pcm_avail_update(pcm);
            const auto room = static_cast<snd_pcm_sframes_t>(scratch.size() / frameBytes);
            frames = frames <= 0 ? frames : snd_pcm_readi(pcm, scratch.data(), std::min(frames, room));
            if (frames > 0) {
                recoveries = 0;
                deliver(static_cast<std::size_t>(frames) * frameBytes);
            } else if (frames < 0 && frames != -EAGAIN &&
                       (++recoveries > kRecoveriesInARow ||
                        snd_pcm_recover(pcm, static_cast<int>(frames), 1) < 0 || snd_pcm_start(pcm) < 0)) {
                giveBack(); // the device is gone: its buffers come back with what they hold
                running = (snd_pcm_drop(pcm), false);
            }
        }
    }

    // Every start asked for since the last answer is answered by this one, with the device set up afresh
    // for the `queued` bytes: what it caught before belongs to no buffer.
    bool answerStart(std::uint64_t queued) {
        snd_pcm_uframes_t bufferFrames = 0;
        snd_pcm_drop(pcm);
        int error = configure(pcm, format, queued, &bufferFrames);
        scratch.resize(bufferFrames * frameBytes);
        error = error < 0 ? error : snd_pcm_start(pcm);
        tell([&] {
            startError = error;
            startsAnswered = startsAsked;
            started = started && error >= 0;
        });
        return error >= 0;
    }

    // A buffer takes whole frames only, so a frame never straddles two; input with no buffer is dropped,
    // and so is input that came before a start not answered yet. Whoever waits for bytes is woken.
    void deliver(std::size_t bytes) {
        const std::uint8_t* input = scratch.data();
        tell([&] {
            while (!queue.empty() && started && startsAnswered == startsAsked) {
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
                    break;
                }
                queue.pop_front();
                mark_done(header);
            }
        });
    }

    void giveBack() {
        tell([&] {
            std::for_each(queue.begin(), queue.end(), [](WAVEHDR* header) { mark_done(*header); });
            queue.clear();
            started = false;
        });
    }
};

AlsaWaveIn::AlsaWaveIn() {
    quiet_audio_libraries();
}

AlsaWaveIn::~AlsaWaveIn() {
    {
        const std::lock_guard lock(shared().mutex);
        while (!opens_.empty()) {
            retire(opens_.begin(), true);
        }
    }
    const Clock::time_point end = Clock::now() + kEndBound;
    for (const std::weak_ptr<Stream>& ending : ending_) {
        if (const std::shared_ptr<Stream> stream = ending.lock()) {
            stream->await(end, [&] { return stream->ended; });
        }
    }
}

void AlsaWaveIn::allowConcurrentOpens() {
    const std::lock_guard lock(shared().mutex);
    concurrentOpens_ = true;
}

std::vector<CaptureDeviceInfo> AlsaWaveIn::captureDevices() {
    std::vector<CaptureDeviceInfo> devices{{kDefaultDevice, "ALSA", 0, 0, true}};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) {
        return devices;
    }
    for (void** hint = hints; *hint != nullptr; ++hint) {
        const std::unique_ptr<char, decltype(&free)> name(snd_device_name_get_hint(*hint, "NAME"), free);
        const std::unique_ptr<char, decltype(&free)> way(snd_device_name_get_hint(*hint, "IOID"), free);
        if (name != nullptr && std::string(name.get()) != kDefaultDevice &&
            (way == nullptr || std::string(way.get()) == "Input")) { // no direction: both ways
            devices.push_back({name.get(), "ALSA", 0, 0, false});
        }
    }
    snd_device_name_free_hint(hints);
    return devices;
}

MMRESULT AlsaWaveIn::waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
    if (handle != nullptr) {
        *handle = nullptr;
    }
    if (handle == nullptr || format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (callback != 0 || instance != 0 || flags != 0) {
        return MMSYSERR_INVALFLAG;
    }
    if (const MMRESULT refusal = check_format(*format); refusal != MMSYSERR_NOERROR) {
        return refusal;
    }
    const bool byDefault = deviceId == 0 || deviceId == WAVE_MAPPER;
    const std::vector<CaptureDeviceInfo> listed =
        byDefault ? std::vector<CaptureDeviceInfo>{} : captureDevices();
    if (!byDefault && deviceId >= listed.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    const auto stream = std::make_shared<Stream>(byDefault ? kDefaultDevice : listed[deviceId].name, *format);
    Shared& all = shared();
    std::unique_lock lock(all.mutex);
    // Side by side, each open waits its turn behind the others. One at a time, an open waits for the
    // device's earlier stream that is still ending (closed, or opened past its bound) to let go of it.
    const Clock::time_point deadline = Clock::now() + (concurrentOpens_ ? kSideBySideBound : kRequestBound);
    const auto& device = stream->device;
    if (!concurrentOpens_ && !all.released.wait_until(lock, deadline, [&] {
            return all.held.contains(device) || !all.busy.contains(device);
        })) {
        return MMSYSERR_NODRIVER; // the earlier stream still hangs on its server
    }
    if (!concurrentOpens_ && all.held.contains(device)) {
        return MMSYSERR_ALLOCATED;
    }
    all.held.insert(device);
    all.busy.insert(device);
    try {
        std::thread([stream] { stream->run(); }).detach();
    } catch (const std::system_error&) {
        erase_one(all.held, device);
        erase_one(all.busy, device);
        return MMSYSERR_NOMEM;
    }
    lock.unlock();
    // An open that has not answered by the deadline is closed by its thread once it does.
    const bool answered = stream->await(deadline, [&] { return stream->opened.has_value(); });
    const MMRESULT result = answered ? *stream->opened : MMSYSERR_NODRIVER;
    stream->tell([&] { stream->closing = result != MMSYSERR_NOERROR; });
    stream->poke();
    lock.lock();
    const std::uintptr_t value = all.nextHandle++;
    const auto added = opens_.emplace(value, stream).first;
    *handle = result == MMSYSERR_NOERROR ? reinterpret_cast<HWAVEIN>(value) : (retire(added, false), nullptr);
    return result;
}

MMRESULT AlsaWaveIn::retire(Opens::iterator open, bool forgetQueued) {
    const std::shared_ptr<Stream> stream = open->second;
    bool queued = false;
    stream->tell([&] {
        if (forgetQueued) {
            stream->queue.clear(); // untouched: their owner may have released them already
        }
        queued = !stream->queue.empty();
        stream->closing = !queued;
    });
    if (queued) {
        return WAVERR_STILLPLAYING;
    }
    stream->poke();
    erase_one(shared().held, stream->device);
    opens_.erase(open);
    std::erase_if(ending_, [](const std::weak_ptr<Stream>& ended) { return ended.expired(); });
    ending_.push_back(stream);
    return MMSYSERR_NOERROR;
}

std::shared_ptr<AlsaWaveIn::Stream> AlsaWaveIn::find(HWAVEIN handle) {
    const std::lock_guard lock(shared().mutex);
    const auto found = opens_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == opens_.end() ? nullptr : found->second;
}

MMRESULT AlsaWaveIn::waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return markPrepared(handle, header, headerSize, true);
}

MMRESULT AlsaWaveIn::waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    return markPrepared(handle, header, headerSize, false);
}

MMRESULT AlsaWaveIn::markPrepared(HWAVEIN handle, WAVEHDR* header, unsigned headerSize, bool prepared) {
    if (find(handle) == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header == nullptr || headerSize < kWaveHdrSize ||
        (prepared && (header->lpData == nullptr || header->dwBufferLength == 0))) {
        return MMSYSERR_INVALPARAM;
    }
    // Not queued, so the device's thread leaves the flags alone.
    const std::uint32_t flags = header->dwFlags.load(std::memory_order_acquire);
    if ((flags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags.store(prepared ? flags | WHDR_PREPARED : flags & ~WHDR_PREPARED,
                          std::memory_order_release);
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaWaveIn::waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    const std::shared_ptr<Stream> stream = find(handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header == nullptr || headerSize < kWaveHdrSize) {
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
    stream->tell([&] {
        header->dwBytesRecorded.store(0, std::memory_order_relaxed);
        header->dwFlags.store((flags & ~WHDR_DONE) | WHDR_INQUEUE, std::memory_order_relaxed);
        stream->queue.push_back(header);
    });
    stream->poke();
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaWaveIn::waveInStart(HWAVEIN handle) {
    const std::shared_ptr<Stream> stream = find(handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    std::uint64_t ticket = 0;
    int error = 0;
    bool answered = false;
    stream->tell([&] {
        // Already recording, or asked for before a buffer was queued: the device starts once there is one.
        answered = stream->started || stream->queue.empty();
        ticket = stream->started ? 0 : ++stream->startsAsked;
        stream->started = true;
    });
    if (answered) {
        return MMSYSERR_NOERROR;
    }
    stream->poke();
    const bool done = stream->await(Clock::now() + kRequestBound, [&] {
        error = stream->startError;
        return stream->startsAnswered >= ticket;
    });
    // Unanswered, the caller's reset hands the buffer back and the thread stops on its own.
    return done ? result_for(std::min(error, 0)) : MMSYSERR_NODRIVER;
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
    // The thread closes the device on its own: one that stalls on its server ends later, alone, while the
    // press that closed it is over; the next open of the device waits for it.
    const std::lock_guard lock(shared().mutex);
    const auto found = opens_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == opens_.end() ? MMSYSERR_INVALHANDLE : retire(found, false);
}

void AlsaWaveIn::awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                               Clock::time_point deadline) {
    if (const std::shared_ptr<Stream> stream = find(handle)) {
        stream->await(deadline, [&] { return recorded_or_returned(header, bytes); });
    }
}
