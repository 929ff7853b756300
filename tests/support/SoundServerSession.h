// A private PipeWire session (see sound_server/session) for the tests of capture through a sound server:
// while alive, HOME and XDG_RUNTIME_DIR point the audio libraries at it, and the default capture device
// records the steady level it plays.
#pragma once

#include "support/ScopedEnvironment.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class SoundServerSession {
public:
    // The level played, as a 16-bit sample; recorded unchanged at every rate and bit depth.
    static constexpr int kLevel = 8192;

    SoundServerSession();
    ~SoundServerSession();
    SoundServerSession(const SoundServerSession&) = delete;
    SoundServerSession& operator=(const SoundServerSession&) = delete;

    // Why the session could not start (a package missing), or empty when it runs.
    const std::string& unavailable() const { return unavailable_; }

    // ALSA's default device through ALSA's plugin `name`: "pipewire" (at start) or "pulse".
    void usePlugin(const std::string& name);
    // Scales the level played by `factor` (linear).
    void setVolume(double factor);
    void stopServer();
    // Kills the server and its clients at once (SIGKILL), as a crash would; startServer() brings them back.
    void killServer();
    // Stops the server process where it stands (SIGSTOP), as a machine under load or a debugger would, and
    // lets it go on.
    void suspendServer();
    void resumeServer();
    void startServer();

private:
    int run(const std::string& command, const std::string& argument = {}) const;
    void signal(std::initializer_list<const char*> processes, int number) const;

    std::filesystem::path dir_;
    std::string unavailable_;
    ScopedEnvironment environment_;
};
