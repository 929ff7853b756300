// The audio library's life in the program: started on a thread of its own so that neither the window nor
// a press waits for its device probing, and started again when the devices it found are out of date.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class AudioLibrary {
public:
    // The library's own start and end; a start answers 0 when the library is ready.
    using Start = std::function<int()>;
    using End = std::function<void()>;

    AudioLibrary();
    AudioLibrary(Start start, End end) : start_(std::move(start)), end_(std::move(end)) {}
    // Ends the library when it is started. A start still under way is waited for a bounded time and then
    // left to itself: the library's probing can block for good on another program's stale lock.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // Starts the library on a background thread unless it is started or starting already.
    void startInBackground();
    // Waits at most `bound` for the library, starting it first when it is not; true once it is ready.
    // No other call into the library may be made while this answers false.
    bool awaitReady(std::chrono::milliseconds bound);
    // Ends the library and starts it again in the background, so that the next use sees the devices as
    // they are now. Only while none of its streams is open.
    void restart();

private:
    struct State;

    Start start_;
    End end_;
    std::shared_ptr<State> state_;
};
