// A capture device for tests on machines without a sound card: ALSA's file plugin replays a file the
// test wrote as if it were a microphone, through the same library path the program uses.
#pragma once

#include "support/ScopedEnvironment.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// While alive, HOME points at a fresh directory whose ALSA configuration describes the device, and the
// variables that would lead the audio libraries elsewhere (other ALSA configuration, a sound server) are
// cleared; the destructor restores the environment and removes the directory.
//
// The audio library reads the configuration when it initialises, so create this before the first open
// of the layer and let no other layer instance keep the library initialised across fixtures. One fixture
// at a time per process.
class AlsaFileDevice {
public:
    // The default capture device replays `bytes` from their start, whatever format is asked for, and
    // delivers them as fast as they are read rather than in real time. Make the input longer than
    // anything a test captures.
    static AlsaFileDevice withInput(const std::vector<std::uint8_t>& bytes);
    // No capture device at all, unless the machine has a real sound card (see machineHasSoundCard).
    static AlsaFileDevice noDevice();

    // Cards are found by the kernel, not through the configuration, so a real card stays visible.
    static bool machineHasSoundCard();

    ~AlsaFileDevice();
    AlsaFileDevice(const AlsaFileDevice&) = delete;
    AlsaFileDevice& operator=(const AlsaFileDevice&) = delete;

    const std::filesystem::path& home() const { return home_; }
    // The file the device replays; empty for noDevice().
    const std::filesystem::path& inputFile() const { return inputFile_; }

private:
    explicit AlsaFileDevice(const std::vector<std::uint8_t>* input);

    std::filesystem::path home_;
    std::filesystem::path inputFile_;
    ScopedEnvironment environment_;
};
