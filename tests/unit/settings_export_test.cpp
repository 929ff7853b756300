#include "format/capture_format.h"
#include "format/settings_export.h"
#include "support/RecordingRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

using Written = std::vector<std::pair<std::string, DWORD>>;

// The values written, decoded from their little-endian bytes, checking each is a 4-byte REG_DWORD.
Written written(const RecordingRegistry& registry) {
    Written values;
    for (const RegistryCall& call : registry.calls) {
        if (call.operation != "set") {
            continue;
        }
        EXPECT_EQ(call.type, REG_DWORD);
        EXPECT_EQ(call.data.size(), 4u);
        EXPECT_EQ(call.key, RecordingRegistry::openKey());
        DWORD value = 0;
        for (std::size_t i = 0; i < call.data.size(); ++i) {
            value |= DWORD{call.data[i]} << (8 * i);
        }
        values.emplace_back(call.name, value);
    }
    return values;
}

TEST(SettingsExport, DefaultsAreWrittenAsSevenDwordsInOrder) {
    WAVEFORMATEX format{};
    set_default_format(format);
    RecordingRegistry registry;
    export_settings(format, registry);

    ASSERT_EQ(registry.calls.front().operation, "open");
    EXPECT_EQ(registry.calls.front().name, "Software\\Ostrel\\PALVEX");
    EXPECT_EQ(registry.openedRoot, HKEY_CURRENT_USER);
    EXPECT_EQ(registry.openedAccess, KEY_ALL_ACCESS);
    EXPECT_EQ(written(registry), (Written{{"FormatTag", 1},
                                          {"Channels", 1},
                                          {"SamplesPerSec", 11025},
                                          {"AvgBytesPerSec", 11025},
                                          {"BlockAlign", 1},
                                          {"BitsPerSample", 8},
                                          {"cbSize", 0}}));
    EXPECT_EQ(registry.calls.back().operation, "close");
    EXPECT_EQ(registry.calls.size(), 9u);
}

TEST(SettingsExport, WidensEveryFieldWithoutChangingTheRecord) {
    WAVEFORMATEX format{0xFFFF, 2, 0x89ABCDEF, 0xFEDCBA98, 0x8001, 16, 44};
    const WAVEFORMATEX before = format;
    RecordingRegistry registry;
    export_settings(format, registry);
    EXPECT_EQ(written(registry), (Written{{"FormatTag", 0xFFFF},
                                          {"Channels", 2},
                                          {"SamplesPerSec", 0x89ABCDEF},
                                          {"AvgBytesPerSec", 0xFEDCBA98},
                                          {"BlockAlign", 0x8001},
                                          {"BitsPerSample", 16},
                                          {"cbSize", 44}}));
    EXPECT_EQ(std::memcmp(&format, &before, sizeof format), 0);
}

TEST(SettingsExport, MissingKeyMeansNothingIsWritten) {
    WAVEFORMATEX format{};
    set_default_format(format);
    RecordingRegistry registry;
    registry.openResult = ERROR_FILE_NOT_FOUND;
    export_settings(format, registry);
    ASSERT_EQ(registry.calls.size(), 1u);
    EXPECT_EQ(registry.calls[0].operation, "open");
}

TEST(SettingsExport, FailingWriteDoesNotStopTheLaterOnes) {
    WAVEFORMATEX format{};
    set_default_format(format);
    RecordingRegistry registry;
    registry.failingValues = {"FormatTag", "SamplesPerSec"};
    export_settings(format, registry);
    EXPECT_EQ(written(registry).size(), 7u);
    EXPECT_EQ(registry.calls.back().operation, "close");
}

} // namespace
