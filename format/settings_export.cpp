#include "format/settings_export.h"

#include <array>

namespace {

struct NamedValue {
    const char* name;
    DWORD value;
};

// Readers of the store rely on these names, this order and zero-extended 32-bit values.
std::array<NamedValue, 7> exported_values(const WAVEFORMATEX& format) {
    return {{{"FormatTag", format.wFormatTag},
             {"Channels", format.nChannels},
             {"SamplesPerSec", format.nSamplesPerSec},
             {"AvgBytesPerSec", format.nAvgBytesPerSec},
             {"BlockAlign", format.nBlockAlign},
             {"BitsPerSample", format.wBitsPerSample},
             {"cbSize", format.cbSize}}};
}

void write_dword(RegistryApi& registry, HKEY key, const NamedValue& entry) {
    std::array<BYTE, sizeof(DWORD)> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<BYTE>(entry.value >> (8 * i)); // REG_DWORD is little-endian
    }
    registry.RegSetValueExA(key, entry.name, 0, REG_DWORD, bytes.data(), sizeof(DWORD));
}

} // namespace

void export_settings(const WAVEFORMATEX& format, RegistryApi& registry) {
    const auto values = exported_values(format);
    HKEY key = nullptr;
    if (registry.RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    for (const NamedValue& entry : values) {
        write_dword(registry, key, entry);
    }
    registry.RegCloseKey(key);
}
