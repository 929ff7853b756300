#include "platform/wave_in/linux/PortAudioWaveIn.h"

#include "platform/wave_in/linux/alsa_capture_check.h"
#include "platform/wave_in/linux/audio_quiet.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

// PortAudio is not thread-safe, and the set of devices in use is shared by every instance of the layer.
// The audio callback never takes this lock, so holding it can never stall the device.
// Neither this nor the set below is ever destroyed: the program keeps its layer in a static, whose
// destructor runs at exit and still needs both.
std::mutex& layer_mutex() {
    static auto* const mutex = new std::mutex;
    return *mutex;
}

// Devices open through any instance, once per open stream, so that a second open is refused as the
// program expects rather than two captures silently splitting one device between them.
std::multiset<std::string>& devices_in_use() {
    static auto* const devices = new std::multiset<std::string>;
    return *devices;
}

void release_device_key(const std::string& key) {
    const auto found = devices_in_use().find(key);
    if (found != devices_in_use().end())
        devices_in_use().erase(found);
}

// The system's default capture device, as ALSA's configuration names it.
constexpr const char* kDefaultAlsaDevice = "default";

// Handle values are never reused, so a handle kept after its close is simply unknown afterwards.
std::uintptr_t nextHandleValue = 1;

void mark_done(WAVEHDR& header) {
    // One atomic step, so that nobody ever sees a header both queued and done. Release publishes the
    // bytes recorded into it to whoever sees WHDR_DONE.
    std::uint32_t flags = header.dwFlags.load(std::memory_order_relaxed);
    while (!header.dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE,
                                                 std::memory_order_release, std::memory_order_relaxed)) {
    }
}

// Capture devices in the order device ids count them: the system default first, so that id 0 is it.
std::vector<PaDeviceIndex> capture_device_indices() {
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex preferred = Pa_GetDefaultInputDevice();
    if (preferred != paNoDevice)
        devices.push_back(preferred);
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (index != preferred && info != nullptr && info->maxInputChannels > 0)
            devices.push_back(index);
    }
    return devices;
}

// Device indices change whenever the library is reinitialised; names do not.
std::string device_key(PaDeviceIndex index, const PaDeviceInfo& info) {
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info.hostApi);
    std::string key = api != nullptr && api->name != nullptr ? api->name : "?";
    key += '\n';
    key += info.name != nullptr ? info.name : std::to_string(index);
    return key;
}

// The library prints its own diagnostics from inside these calls, past every hook; they go nowhere.
template <typename Call> PaError quietly(Call call) {
    PaError error = paNoError;
    run_with_stderr_muted([&] { error = call(); });
    return error;
}

bool header_arguments_valid(const WAVEHDR* header, unsigned headerSize) {
    return header != nullptr && headerSize >= kWaveHdrSize;
}

} // namespace

struct PortAudioWaveIn::OpenDevice {
    static constexpr std::size_t kQueueSlots = 64;

    PaStream* stream = nullptr;
    std::string key;
    std::uint32_t frameBytes = 1;
    bool running = false;

    // Buffers handed from the caller's thread (the only producer, under the layer lock) to the audio
    // thread (the only consumer) without a lock the audio thread could wait on. While the stream is
    // stopped no callback runs, and the caller's thread may take the consumer's part as well.
    std::array<WAVEHDR*, kQueueSlots> slots{};
    std::atomic<std::size_t> head{0};
    std::atomic<std::size_t> tail{0};
    // Buffers queued and not yet done, counting the one being filled.
    std::atomic<std::uint32_t> queued{0};
    // The buffer being filled; belongs to the audio thread while the stream runs.
    WAVEHDR* filling = nullptr;

    bool push(WAVEHDR* header) {
        const std::size_t end = tail.load(std::memory_order_relaxed);
        if (end - head.load(std::memory_order_acquire) == kQueueSlots)
            return false;
        slots[end % kQueueSlots] = header;
        tail.store(end + 1, std::memory_order_release);
        return true;
    }

    WAVEHDR* pop() {
        const std::size_t start = head.load(std::memory_order_relaxed);
        if (start == tail.load(std::memory_order_acquire))
            return nullptr;
        WAVEHDR* header = slots[start % kQueueSlots];
        head.store(start + 1, std::memory_order_release);
        return header;
    }

    void finish(WAVEHDR& header) {
        mark_done(header);
        queued.fetch_sub(1, std::memory_order_release);
    }

    // `bytes` is always a whole number of frames. A buffer takes only whole frames, so a frame never
    // straddles two buffers; input arriving with no buffer queued is dropped.
    void record(const std::uint8_t* input, std::size_t bytes) {
        for (;;) {
            if (filling == nullptr) {
                filling = pop();
                if (filling == nullptr)
                    return;
            }
            WAVEHDR& header = *filling;
            // Only this thread writes the count while the buffer is queued.
            const std::uint32_t recorded = header.dwBytesRecorded.load(std::memory_order_relaxed);
            const std::uint32_t room = (header.dwBufferLength - recorded) / frameBytes * frameBytes;
            const std::uint32_t taken = static_cast<std::uint32_t>(std::min<std::size_t>(room, bytes));
            for (std::uint32_t i = 0; i < taken; ++i)
                header.lpData[recorded + i].store(input[i], std::memory_order_relaxed);
            if (taken > 0)
                header.dwBytesRecorded.store(recorded + taken, std::memory_order_release);
            input += taken;
            bytes -= taken;
            if (taken < room)
                return;
            filling = nullptr;
            finish(header);
        }
    }

    // Only with the stream stopped: hands every queued buffer back, keeping what it holds so far.
    void returnAll() {
        if (filling != nullptr) {
            finish(*filling);
            filling = nullptr;
        }
        while (WAVEHDR* header = pop())
            finish(*header);
    }

    static int onInput(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                       PaStreamCallbackFlags, void* self) {
        auto& device = *static_cast<OpenDevice*>(self);
        if (input != nullptr)
            device.record(static_cast<const std::uint8_t*>(input), std::size_t{frames} * device.frameBytes);
        return paContinue;
    }
};

MMRESULT PortAudioWaveIn::resultFor(PaError error, PaStage stage, long hostError) {
    if (error == paNoError)
        return MMSYSERR_NOERROR;
    if (error == paInsufficientMemory)
        return MMSYSERR_NOMEM;
    if (stage == PaStage::initialise)
        return MMSYSERR_NODRIVER;
    switch (error) {
    case paNotInitialized:
    case paHostApiNotFound:
    case paInvalidHostApi:
    // What the library answers when the host cannot open the device at all: its sound server has gone,
    // or the device has been unplugged.
    case paBadIODeviceCombination:
    case paTimedOut:
        return MMSYSERR_NODRIVER;
    case paUnanticipatedHostError:
        return hostError == 0 ? MMSYSERR_NODRIVER : resultForAlsaError(static_cast<int>(hostError));
    case paInvalidDevice:
        return MMSYSERR_BADDEVICEID;
    case paDeviceUnavailable:
        return MMSYSERR_ALLOCATED;
    case paInvalidChannelCount:
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
        return WAVERR_BADFORMAT;
    case paInvalidFlag:
        return MMSYSERR_INVALFLAG;
    case paNullCallback:
    case paBadBufferPtr:
        return MMSYSERR_INVALPARAM;
    case paBadStreamPtr:
        return MMSYSERR_INVALHANDLE;
    default:
        return MMSYSERR_ERROR;
    }
}

MMRESULT PortAudioWaveIn::resultForAlsaError(int error) {
    switch (error) {
    case 0:
        return MMSYSERR_NOERROR;
    case -EBUSY:
        return MMSYSERR_ALLOCATED;
    case -ENOMEM:
        return MMSYSERR_NOMEM;
    default:
        // A sound server that is not running (-EHOSTDOWN, -ECONNREFUSED), a device that went away: no
        // driver answers for the device.
        return MMSYSERR_NODRIVER;
    }
}

MMRESULT PortAudioWaveIn::resultForMissingDefault(int alsaDefaultError) {
    switch (alsaDefaultError) {
    case -EHOSTDOWN:
    case -ECONNREFUSED:
    case -ECONNRESET:
        return MMSYSERR_NODRIVER; // the default device is a sound server's, and the server is not running
    default:
        return MMSYSERR_BADDEVICEID;
    }
}

MMRESULT PortAudioWaveIn::checkFormat(const WAVEFORMATEX& format) {
    const unsigned channels = format.nChannels;
    const unsigned bits = format.wBitsPerSample;
    if (format.wFormatTag != WAVE_FORMAT_PCM || (bits != 8 && bits != 16) || (channels != 1 && channels != 2))
        return WAVERR_BADFORMAT;
    // Trailing bytes announced by cbSize are not ours to read, and plain PCM needs none.
    if (format.cbSize != 0 || format.nSamplesPerSec == 0)
        return WAVERR_BADFORMAT;
    if (format.nBlockAlign != channels * bits / 8 ||
        std::uint64_t{format.nAvgBytesPerSec} != std::uint64_t{format.nBlockAlign} * format.nSamplesPerSec)
        return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

PortAudioWaveIn::PortAudioWaveIn(std::chrono::milliseconds libraryStartBound)
    : libraryStartBound_(libraryStartBound) {}

PortAudioWaveIn::~PortAudioWaveIn() {
    std::lock_guard lock(layer_mutex());
    for (auto& [value, device] : devices_)
        closeDevice(*device);
    devices_.clear();
}

void PortAudioWaveIn::allowConcurrentOpens() {
    std::lock_guard lock(layer_mutex());
    concurrentOpens_ = true;
}

void PortAudioWaveIn::startInBackground() {
    std::lock_guard lock(layer_mutex());
    library_.startInBackground();
}

std::vector<CaptureDeviceInfo> PortAudioWaveIn::captureDevices() {
    std::lock_guard lock(layer_mutex());
    restartLibraryIfWanted();
    std::vector<CaptureDeviceInfo> listed;
    if (!library_.awaitReady(libraryStartBound_))
        return listed;
    const PaDeviceIndex preferred = Pa_GetDefaultInputDevice();
    for (const PaDeviceIndex index : capture_device_indices()) {
        CaptureDeviceInfo& device = listed.emplace_back();
        device.isDefault = index == preferred;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info == nullptr)
            continue; // kept, unnamed, so that every later entry keeps its id
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        device.name = info->name != nullptr ? info->name : std::to_string(index);
        device.hostApi = api != nullptr && api->name != nullptr ? api->name : "?";
        device.maxInputChannels = info->maxInputChannels;
        device.defaultSampleRate = info->defaultSampleRate;
    }
    return listed;
}

MMRESULT PortAudioWaveIn::waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                     std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) {
    if (handle == nullptr)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    if (format == nullptr)
        return MMSYSERR_INVALPARAM;
    if (callback != 0 || instance != 0 || flags != 0)
        return MMSYSERR_INVALFLAG;
    // Refused formats never reach the device, which may be slow to probe or busy.
    const WAVEFORMATEX copy = *format;
    if (const MMRESULT refusal = checkFormat(copy); refusal != MMSYSERR_NOERROR)
        return refusal;
    std::lock_guard lock(layer_mutex());
    try {
        return openLocked(handle, deviceId, copy);
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    }
}

MMRESULT PortAudioWaveIn::openLocked(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX& format) {
    restartLibraryIfWanted();
    if (!library_.awaitReady(libraryStartBound_))
        return MMSYSERR_NODRIVER;
    if (Pa_GetHostApiCount() <= 0)
        return refreshDevicesAfter(MMSYSERR_NODRIVER);

    const std::vector<PaDeviceIndex> devices = capture_device_indices();
    const std::size_t position = deviceId == WAVE_MAPPER ? 0 : deviceId;
    if (position >= devices.size())
        return refreshDevicesAfter(position == 0
                                       ? resultForMissingDefault(try_alsa_capture_open(kDefaultAlsaDevice))
                                       : MMSYSERR_BADDEVICEID);
    const PaDeviceIndex index = devices[position];
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr)
        return refreshDevicesAfter(MMSYSERR_BADDEVICEID);
    std::string key = device_key(index, *info);
    if (!concurrentOpens_ && devices_in_use().contains(key))
        return MMSYSERR_ALLOCATED;

    auto owned = std::make_unique<OpenDevice>();
    OpenDevice& device = *owned;
    device.frameBytes = format.nBlockAlign;
    device.key = key;
    const std::uintptr_t value = nextHandleValue++;
    devices_.emplace(value, std::move(owned));
    try {
        devices_in_use().insert(key);
    } catch (...) {
        devices_.erase(value);
        throw;
    }
    if (const MMRESULT result = openStream(device, index, format); result != MMSYSERR_NOERROR) {
        release_device_key(key);
        devices_.erase(value);
        return result == MMSYSERR_NODRIVER ? refreshDevicesAfter(result) : result;
    }
    *handle = reinterpret_cast<HWAVEIN>(value);
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::openStream(OpenDevice& device, PaDeviceIndex index, const WAVEFORMATEX& format) {
    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = format.nChannels;
    // 8-bit PCM is unsigned with silence at 128, 16-bit is signed: exactly PortAudio's two formats.
    parameters.sampleFormat = format.wBitsPerSample == 8 ? paUInt8 : paInt16;
    parameters.suggestedLatency = Pa_GetDeviceInfo(index)->defaultLowInputLatency;
    // Dithering is off because it changes the samples, which is the one thing a test of the input must
    // not do; clipping cannot occur when no conversion happens.
    const PaError error = quietly([&] {
        return Pa_OpenStream(&device.stream, &parameters, nullptr, format.nSamplesPerSec,
                             paFramesPerBufferUnspecified, paClipOff | paDitherOff, &OpenDevice::onInput,
                             &device);
    });
    if (error == paNoError)
        return MMSYSERR_NOERROR;
    const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
    return resultFor(error, PaStage::device, host != nullptr ? host->errorCode : 0);
}

// Only at the next open, not now: a sound server that has just gone may be back by then.
MMRESULT PortAudioWaveIn::refreshDevicesAfter(MMRESULT failure) {
    restartWanted_ = true;
    return failure;
}

// The library reads the device list once, when it starts; only a new start sees a sound server that
// came back or a device plugged in since.
void PortAudioWaveIn::restartLibraryIfWanted() {
    if (!restartWanted_ || !devices_.empty())
        return;
    restartWanted_ = false;
    library_.restart();
}

PortAudioWaveIn::OpenDevice* PortAudioWaveIn::find(HWAVEIN handle) const {
    const auto found = devices_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == devices_.end() ? nullptr : found->second.get();
}

void PortAudioWaveIn::closeDevice(OpenDevice& device) {
    if (device.stream != nullptr) {
        if (device.running)
            quietly([&] { return Pa_AbortStream(device.stream); });
        device.running = false;
        quietly([&] { return Pa_CloseStream(device.stream); });
        device.stream = nullptr;
    }
    release_device_key(device.key);
}

MMRESULT PortAudioWaveIn::waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    std::lock_guard lock(layer_mutex());
    if (find(handle) == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, headerSize) || header->lpData == nullptr ||
        header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags.load(std::memory_order_acquire) & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    header->dwFlags.fetch_or(WHDR_PREPARED, std::memory_order_acq_rel);
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    std::lock_guard lock(layer_mutex());
    if (find(handle) == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, headerSize))
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags.load(std::memory_order_acquire) & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    header->dwFlags.fetch_and(~WHDR_PREPARED, std::memory_order_acq_rel);
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) {
    std::lock_guard lock(layer_mutex());
    OpenDevice* device = find(handle);
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, headerSize))
        return MMSYSERR_INVALPARAM;
    const std::uint32_t flags = header->dwFlags.load(std::memory_order_acquire);
    if ((flags & WHDR_PREPARED) == 0)
        return WAVERR_UNPREPARED;
    if ((flags & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    if (header->lpData == nullptr || header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;

    header->dwBytesRecorded.store(0, std::memory_order_relaxed);
    std::uint32_t expected = flags;
    while (!header->dwFlags.compare_exchange_weak(expected, (expected & ~WHDR_DONE) | WHDR_INQUEUE,
                                                  std::memory_order_relaxed)) {
    }
    device->queued.fetch_add(1, std::memory_order_relaxed);
    // The push publishes the header, its fields and the reset count to the audio thread.
    if (!device->push(header)) {
        device->queued.fetch_sub(1, std::memory_order_relaxed);
        header->dwFlags.fetch_and(~WHDR_INQUEUE, std::memory_order_relaxed);
        return MMSYSERR_NOMEM;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::waveInStart(HWAVEIN handle) {
    std::lock_guard lock(layer_mutex());
    OpenDevice* device = find(handle);
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (device->running)
        return MMSYSERR_NOERROR;
    if (const PaError error = quietly([&] { return Pa_StartStream(device->stream); }); error != paNoError) {
        restartWanted_ = true; // the host failed: the device list may be stale by now
        return resultFor(error, PaStage::device);
    }
    device->running = true;
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::waveInReset(HWAVEIN handle) {
    std::lock_guard lock(layer_mutex());
    OpenDevice* device = find(handle);
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (device->running) {
        // Aborting discards what the host still holds instead of waiting for it to drain, which through a
        // sound server can take seconds. Its return guarantees that no callback is writing into a buffer
        // any more.
        const PaError error = quietly([&] { return Pa_AbortStream(device->stream); });
        if (error != paNoError && error != paStreamIsStopped)
            return resultFor(error, PaStage::device);
        device->running = false;
    }
    device->returnAll();
    return MMSYSERR_NOERROR;
}

MMRESULT PortAudioWaveIn::waveInClose(HWAVEIN handle) {
    std::lock_guard lock(layer_mutex());
    const auto found = devices_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == devices_.end())
        return MMSYSERR_INVALHANDLE;
    if (found->second->queued.load(std::memory_order_acquire) != 0)
        return WAVERR_STILLPLAYING;
    closeDevice(*found->second);
    devices_.erase(found);
    return MMSYSERR_NOERROR;
}
