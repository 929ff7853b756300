#include "support/ScriptedWaveIn.h"

#include <algorithm>

MMRESULT ScriptedWaveIn::waveInOpen(HWAVEIN* handle, unsigned deviceId, const WAVEFORMATEX* format,
                                    std::uintptr_t, std::uintptr_t, std::uint32_t) {
    calls_.push_back("open");
    openedDevice_ = deviceId;
    openedFormat_ = *format;
    open_ = script_.open == MMSYSERR_NOERROR;
    *handle = open_ ? validHandle() : nullptr;
    return script_.open;
}

MMRESULT ScriptedWaveIn::waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned) {
    calls_.push_back("prepare");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (script_.prepare == MMSYSERR_NOERROR) {
        header->dwFlags |= WHDR_PREPARED;
    }
    return script_.prepare;
}

MMRESULT ScriptedWaveIn::waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, unsigned) {
    calls_.push_back("unprepare");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header->dwFlags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, unsigned) {
    calls_.push_back("addBuffer");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (script_.addBuffer == MMSYSERR_NOERROR) {
        header->dwFlags |= WHDR_INQUEUE;
        queued_ = header;
    }
    return script_.addBuffer;
}

MMRESULT ScriptedWaveIn::waveInStart(HWAVEIN handle) {
    calls_.push_back("start");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (script_.start != MMSYSERR_NOERROR) {
        return script_.start;
    }
    if (queued_ != nullptr) {
        stopped_ = false;
        if (script_.recordOnThread) {
            recorder_ = std::thread([this, header = queued_] { record(header); });
        } else {
            record(queued_);
        }
    }
    return MMSYSERR_NOERROR;
}

void ScriptedWaveIn::record(WAVEHDR* header) {
    const std::size_t count = std::min<std::size_t>(script_.recording.size(), header->dwBufferLength);
    for (std::size_t i = 0; i < count; ++i) {
        if (stopped_) {
            return; // stopped: the device writes no further
        }
        if (script_.chunkBytes > 0 && i % script_.chunkBytes == 0)
            std::this_thread::sleep_for(script_.chunkInterval);
        header->lpData[i].store(script_.recording[i], std::memory_order_relaxed);
        header->dwBytesRecorded.store(static_cast<std::uint32_t>(i + 1), std::memory_order_release);
        wakeWaiters();
    }
    if (count == header->dwBufferLength) {
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        wakeWaiters();
    }
}

void ScriptedWaveIn::wakeWaiters() {
    { const std::lock_guard lock(waitMutex_); }
    recorded_.notify_all();
}

void ScriptedWaveIn::awaitRecorded(HWAVEIN handle, const WAVEHDR& header, std::uint32_t bytes,
                                   std::chrono::steady_clock::time_point deadline) {
    if (handle != validHandle() || !open_)
        return;
    std::unique_lock lock(waitMutex_);
    recorded_.wait_until(lock, deadline, [&] { return recorded_or_returned(header, bytes); });
}

void ScriptedWaveIn::stopRecording() {
    stopped_ = true;
    if (recorder_.joinable()) {
        recorder_.join();
    }
    if (queued_ != nullptr) {
        queued_->dwFlags = (queued_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        queued_ = nullptr;
        wakeWaiters();
    }
}

MMRESULT ScriptedWaveIn::waveInReset(HWAVEIN handle) {
    calls_.push_back("reset");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    stopRecording();
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::waveInClose(HWAVEIN handle) {
    calls_.push_back("close");
    if (handle != validHandle() || !open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (queued_ != nullptr) {
        return WAVERR_STILLPLAYING;
    }
    open_ = false;
    return MMSYSERR_NOERROR;
}
