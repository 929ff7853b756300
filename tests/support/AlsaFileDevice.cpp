#include "support/AlsaFileDevice.h"

#include <alsa/asoundlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace {

void writeFile(const std::filesystem::path& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, text.data(), text.size());
}

std::filesystem::path makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-alsa-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

} // namespace

AlsaFileDevice AlsaFileDevice::withInput(const std::vector<std::uint8_t>& bytes) {
    return AlsaFileDevice(&bytes, {});
}

AlsaFileDevice AlsaFileDevice::withInputPipe() {
    const std::vector<std::uint8_t> none;
    return AlsaFileDevice(&none, {}, true);
}

AlsaFileDevice AlsaFileDevice::noDevice() {
    return withDefault("{ type hw card 7 }");
}

AlsaFileDevice AlsaFileDevice::withDefault(const std::string& definition) {
    return AlsaFileDevice(nullptr, definition);
}

bool AlsaFileDevice::machineHasSoundCard() {
    int card = -1;
    return snd_card_next(&card) == 0 && card >= 0;
}

AlsaFileDevice::AlsaFileDevice(const std::vector<std::uint8_t>* input, const std::string& definition,
                               bool pipe)
    : home_(makeTemporaryDirectory()) {
    // A sound server's ALSA plugin may be the system's default device (pipewire-alsa, say): the fixture
    // names a default of its own either way, so that "no device" means a card that is not there.
    std::string config = "# Written by a test fixture.\n";
    if (input == nullptr)
        config += "pcm.!default " + definition + "\n";
    if (input != nullptr) {
        inputFile_ = home_ / (pipe ? "input.fifo" : "input.raw");
        if (pipe && mkfifo(inputFile_.c_str(), 0600) != 0)
            throw std::system_error(errno, std::generic_category(), "mkfifo");
        if (!pipe)
            writeFile(inputFile_, reinterpret_cast<const char*>(input->data()), input->size());
        // The null device accepts any format and rate and never blocks; the file plugin in front of it
        // replaces what is read with the file's bytes, unconverted, and throws the output away.
        config += "pcm.!default {\n"
                  "    type file\n"
                  "    slave.pcm \"null\"\n"
                  "    file \"/dev/null\"\n"
                  "    infile \"" +
                  inputFile_.string() +
                  "\"\n"
                  "    format \"raw\"\n"
                  "}\n";
    }
    writeText(home_ / ".asoundrc", config);
    // Should a sound server be installed, a test must neither reach the user's nor start one.
    std::filesystem::create_directories(home_ / ".config" / "pulse");
    writeText(home_ / ".config" / "pulse" / "client.conf", "autospawn = no\n");

    environment_.set("HOME", home_.c_str());
    for (const char* name : {"ALSA_CONFIG_PATH", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "PULSE_SERVER",
                             "PULSE_RUNTIME_PATH", "PULSE_CLIENTCONFIG", "JACK_DEFAULT_SERVER"})
        environment_.set(name, nullptr);
    // alsa-lib notices a change of its own files only: the next open reads the new home's afresh.
    snd_config_update_free_global();
}

AlsaFileDevice::~AlsaFileDevice() {
    snd_config_update_free_global();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}
