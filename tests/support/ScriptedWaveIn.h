// A capture device that answers each request as a test scripts it and logs the requests it gets. On a
// successful start it "records" the scripted bytes into the queued buffer, at once or from a thread of
// its own as a real device does.
#pragma once

#include "platform/wave_in/WaveInApi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedWaveIn : public WaveInApi {
public:
    struct Script {
        MMRESULT open = MMSYSERR_NOERROR;
        MMRESULT prepare = MMSYSERR_NOERROR;
        MMRESULT addBuffer = MMSYSERR_NOERROR;
        MMRESULT start = MMSYSERR_NOERROR;
        std::vector<std::uint8_t> recording;
        bool recordOnThread = false;
        // On the thread, a paced device: `chunkBytes` at a time, one chunk every `chunkInterval`, as a
        // sound server hands over its periods.
        std::size_t chunkBytes = 0;
        std::chrono::microseconds chunkInterval{0};
    };

    ScriptedWaveIn() = default;
    explicit ScriptedWaveIn(Script script) : script_(std::move(script)) {}
    ~ScriptedWaveIn() override { stopRecording(); }

    MMRESULT waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                        std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags) override;
    MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned headerSize) override;
    MMRESULT waveInStart(HWAVEIN handle) override;
    MMRESULT waveInReset(HWAVEIN handle) override;
    MMRESULT waveInClose(HWAVEIN handle) override;
    void awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                       std::chrono::steady_clock::time_point deadline) override;

    Script& script() { return script_; }
    // Requests in the order made, by name ("open", "prepare", "addBuffer", "start", "reset",
    // "unprepare", "close").
    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    bool isOpen() const { return open_; }
    const WAVEFORMATEX& openedFormat() const { return openedFormat_; }
    unsigned openedDevice() const { return openedDevice_; }

    static HWAVEIN validHandle() { return reinterpret_cast<HWAVEIN>(0x5157); }

private:
    void record(WAVEHDR* header);
    void stopRecording();
    void wakeWaiters();

    Script script_;
    std::vector<std::string> calls_;
    bool open_ = false;
    WAVEFORMATEX openedFormat_{};
    unsigned openedDevice_ = ~0u;
    WAVEHDR* queued_ = nullptr;
    std::thread recorder_;
    std::atomic<bool> stopped_{false};
    std::mutex waitMutex_;
    std::condition_variable recorded_;
};
