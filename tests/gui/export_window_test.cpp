// "Quitter" in the real window writes the capture format into the real settings file of a temporary
// configuration folder, and closes the window.
#include "panel/TFenApp.h"
#include "platform/settings/linux/SettingsFileRegistry.h"
#include "support/ScriptedWaveIn.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/PanelWindowHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ConfigFolder {
public:
    ConfigFolder() : root_(fs::temp_directory_path() / ("varnel-export-" + std::to_string(getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        saved_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~ConfigFolder() {
        saved_ ? setenv("XDG_CONFIG_HOME", saved_->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(root_);
    }
    fs::path settings() const { return root_ / "Ostrel" / "PALVEX.conf"; }
    fs::path folder() const { return root_ / "Ostrel"; }
    void createSettings(const std::string& content) const {
        fs::create_directories(folder());
        std::ofstream(settings()) << content;
    }
    std::string read() const {
        std::ifstream in(settings());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    fs::path root_;
    std::optional<std::string> saved_;
};

const std::string kComment = "# shared with another program\n";
const std::string kGroup = "[Other]\nKeep=yes\n";

class ExportWindow : public ::testing::Test {
protected:
    void quit() {
        window.clickControl(TFenApp::kQuitButtonId);
        gui::pump_until([&] { return !window.frameExists(); });
    }

    ConfigFolder config;
    ScriptedWaveIn device;
    SettingsFileRegistry registry;
    PanelWindowHarness window{device, registry};
};

// The values go after the file's top-level lines, ahead of its first group.
TEST_F(ExportWindow, QuitterWritesTheDefaultsKeepsTheRestAndCloses) {
    config.createSettings(kComment + kGroup);
    quit();
    EXPECT_FALSE(window.frameExists());
    EXPECT_EQ(config.read(),
              kComment +
                  "FormatTag=1\nChannels=1\nSamplesPerSec=11025\nAvgBytesPerSec=11025\nBlockAlign=1\n"
                  "BitsPerSample=8\ncbSize=0\n" +
                  kGroup);
}

TEST_F(ExportWindow, WritesTheFormatAsTheLastApplyLeftIt) {
    config.createSettings(kComment + kGroup);
    window.click(window.rowPoint(2), true); // applied
    window.chooseInBox(TFenApp::kRateBoxId, 2);
    window.chooseInBox(TFenApp::kBitDepthBoxId, 1);
    window.chooseInBox(TFenApp::kChannelBoxId, 1);
    window.click(window.rowPoint(1)); // only selected: not applied
    quit();
    EXPECT_EQ(config.read(),
              kComment +
                  "FormatTag=2\nChannels=2\nSamplesPerSec=44100\nAvgBytesPerSec=176400\nBlockAlign=4\n"
                  "BitsPerSample=16\ncbSize=0\n" +
                  kGroup);
}

TEST_F(ExportWindow, SingleClickedRowIsNotWritten) {
    config.createSettings("");
    window.click(window.rowPoint(2));
    quit();
    EXPECT_EQ(config.read().substr(0, 12), "FormatTag=1\n");
}

TEST_F(ExportWindow, WithoutTheSettingsFileNothingIsCreatedAndTheWindowCloses) {
    quit();
    EXPECT_FALSE(window.frameExists());
    EXPECT_FALSE(fs::exists(config.folder()));
}

} // namespace
