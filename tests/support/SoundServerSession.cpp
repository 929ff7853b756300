#include "support/SoundServerSession.h"

#include <alsa/asoundlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace {

constexpr int kSkipStatus = 77; // the session script's word for "not installed here"

std::filesystem::path makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-session-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

} // namespace

SoundServerSession::SoundServerSession() : dir_(makeTemporaryDirectory()) {
    const int status = run("start");
    if (status == kSkipStatus) {
        unavailable_ = "a PipeWire session cannot run here (see the session script's message)";
        return;
    }
    if (status != 0)
        throw std::runtime_error("the sound server session did not start: see " + dir_.string());
    environment_.set("HOME", (dir_ / "home").c_str());
    environment_.set("XDG_RUNTIME_DIR", (dir_ / "run").c_str());
    for (const char* name : {"ALSA_CONFIG_PATH", "PULSE_SERVER", "PULSE_RUNTIME_PATH", "PIPEWIRE_REMOTE"})
        environment_.set(name, nullptr);
    // alsa-lib notices a change of its own files only: the next open reads the session's home afresh.
    snd_config_update_free_global();
}

SoundServerSession::~SoundServerSession() {
    snd_config_update_free_global();
    run("stop");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void SoundServerSession::setVolume(double factor) {
    if (run("volume", std::to_string(factor)) != 0)
        throw std::runtime_error("the volume could not be set");
}

void SoundServerSession::usePlugin(const std::string& name) {
    if (run("plugin", name) != 0)
        throw std::runtime_error("ALSA's default device could not be pointed at the " + name + " plugin");
    snd_config_update_free_global();
}

void SoundServerSession::stopServer() {
    run("stop-server");
}

void SoundServerSession::killServer() {
    signal({"server", "wireplumber", "pipewire-pulse", "player"}, SIGKILL);
}

void SoundServerSession::suspendServer() {
    signal({"server"}, SIGSTOP);
}

void SoundServerSession::resumeServer() {
    signal({"server"}, SIGCONT);
}

// Each by the PID the session script noted when it started the process.
void SoundServerSession::signal(std::initializer_list<const char*> processes, int number) const {
    for (const char* name : processes) {
        std::ifstream pidFile(dir_ / (std::string(name) + ".pid"));
        pid_t pid = 0;
        if (pidFile >> pid && pid > 0)
            kill(pid, number);
    }
}

void SoundServerSession::startServer() {
    if (run("start-server") != 0)
        throw std::runtime_error("the sound server did not start again");
}

int SoundServerSession::run(const std::string& command, const std::string& argument) const {
    const std::string line =
        std::string(VARNEL_SOUND_SERVER_SESSION) + " " + command + " '" + dir_.string() + "' " + argument;
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
