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
// alsa-lib reads the configuration again whenever it has changed, at the next open. One fixture at a time
// per process.
class AlsaFileDevice {
public:
    // The default capture device replays `bytes` from their start, whatever format is asked for, and
    // delivers them as fast as they are read rather than in real time. Make the input longer than
    // anything a test captures.
    static AlsaFileDevice withInput(const std::vector<std::uint8_t>& bytes);
    // The default capture device replays what is written into a named pipe, inputFile(): its open waits
    // until the pipe has a writer, and it delivers what comes as it comes, as a paced device does.
    static AlsaFileDevice withInputPipe();
    // No capture device at all, unless the machine has a real sound card (see machineHasSoundCard).
    static AlsaFileDevice noDevice();
    // ALSA's default device is `definition`, a PCM definition of ALSA's configuration ("{ type ... }").
    static AlsaFileDevice withDefault(const std::string& definition);

    // Cards are found by the kernel, not through the configuration, so a real card stays visible.
    static bool machineHasSoundCard();

    ~AlsaFileDevice();
    AlsaFileDevice(const AlsaFileDevice&) = delete;
    AlsaFileDevice& operator=(const AlsaFileDevice&) = delete;

    const std::filesystem::path& home() const { return home_; }
    // The file (or pipe) the device replays; empty for noDevice().
    const std::filesystem::path& inputFile() const { return inputFile_; }

private:
    AlsaFileDevice(const std::vector<std::uint8_t>* input, const std::string& definition, bool pipe = false);

    std::filesystem::path home_;
    std::filesystem::path inputFile_;
    ScopedEnvironment environment_;
};
