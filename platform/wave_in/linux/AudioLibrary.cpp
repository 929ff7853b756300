#include "platform/wave_in/linux/AudioLibrary.h"

#include "platform/wave_in/linux/audio_quiet.h"

#include <portaudio.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Long enough for a library that starts at all (tens of milliseconds, a second when cold), short enough
// that closing the program over a start that hangs is not noticed.
constexpr std::chrono::seconds kAbandonStartAfter{2};

} // namespace

// Shared with the starting thread, which may outlive the object when the start hangs.
struct AudioLibrary::State {
    enum class Phase { stopped, starting, ready, failed };

    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::stopped;

    bool settledWithin(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds bound) {
        return changed.wait_for(lock, bound, [this] { return phase != Phase::starting; });
    }
};

AudioLibrary::AudioLibrary() : AudioLibrary(Pa_Initialize, Pa_Terminate) {}

AudioLibrary::~AudioLibrary() {
    if (state_ == nullptr)
        return;
    std::unique_lock lock(state_->mutex);
    if (state_->settledWithin(lock, kAbandonStartAfter) && state_->phase == State::Phase::ready)
        end_();
}

void AudioLibrary::startInBackground() {
    if (state_ == nullptr)
        state_ = std::make_shared<State>();
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->phase == State::Phase::starting || state_->phase == State::Phase::ready)
            return;
        state_->phase = State::Phase::starting;
    }
    // The process-wide settings are made here, on the caller's thread: the starting thread touches
    // neither the environment nor the standard streams.
    quiet_audio_libraries();
    std::thread([state = state_, start = start_] {
        const int error = start();
        const std::lock_guard lock(state->mutex);
        state->phase = error == 0 ? State::Phase::ready : State::Phase::failed;
        state->changed.notify_all();
    }).detach();
}

bool AudioLibrary::awaitReady(std::chrono::milliseconds bound) {
    // Also where a start that failed is tried again: the sound system may be back.
    startInBackground();
    std::unique_lock lock(state_->mutex);
    return state_->settledWithin(lock, bound) && state_->phase == State::Phase::ready;
}

void AudioLibrary::restart() {
    if (state_ != nullptr) {
        const std::lock_guard lock(state_->mutex);
        if (state_->phase == State::Phase::starting)
            return;
        if (state_->phase == State::Phase::ready)
            end_();
        state_->phase = State::Phase::stopped;
    }
    startInBackground();
}
