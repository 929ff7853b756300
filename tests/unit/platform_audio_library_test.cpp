// The audio library's start, with a start that the test holds back as a hung device probe would.
#include "platform/wave_in/linux/AudioLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// A start that blocks until released, answering `result`; counts starts and ends.
struct HeldStart {
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
    std::atomic<int> result{0};
    std::atomic<int> starts{0};
    std::atomic<int> ends{0};

    AudioLibrary library() {
        return AudioLibrary(
            [this] {
                ++starts;
                std::unique_lock lock(mutex);
                released.wait(lock, [this] { return open; });
                return result.load();
            },
            [this] { ++ends; });
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        released.notify_all();
    }
};

TEST(AudioLibrary, AStartThatHangsIsWaitedForABoundedTimeEachTimeAndFoundOnceItEnds) {
    HeldStart held;
    {
        AudioLibrary library = held.library();
        EXPECT_FALSE(library.awaitReady(20ms));
        EXPECT_FALSE(library.awaitReady(20ms)); // the next press tries again, without a second start
        EXPECT_EQ(held.starts, 1);
        held.release();
        EXPECT_TRUE(library.awaitReady(5s));
    }
    EXPECT_EQ(held.ends, 1);
}

TEST(AudioLibrary, AFailedStartIsTriedAgainAndARestartEndsTheLibraryFirst) {
    HeldStart held;
    held.result = -1;
    held.release();
    AudioLibrary library = held.library();
    EXPECT_FALSE(library.awaitReady(5s));
    held.result = 0;
    EXPECT_TRUE(library.awaitReady(5s));
    EXPECT_EQ(held.starts, 2);
    library.restart();
    EXPECT_TRUE(library.awaitReady(5s));
    EXPECT_EQ(held.starts, 3);
    EXPECT_EQ(held.ends, 1);
}

} // namespace
