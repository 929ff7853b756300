#include "platform/settings/linux/SettingsFileRegistry.h"

#include "platform/settings/linux/SettingsFile.h"
#include "platform/settings/linux/settings_lines.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kPlainCharacters =
    "_0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kKeyParts = 3;

std::vector<std::string> split_key(std::string_view path) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;; start = path.find('\\', start) + 1) {
        parts.emplace_back(path.substr(start, path.find('\\', start) - start));
        if (path.find('\\', start) == std::string_view::npos) {
            return parts;
        }
    }
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool is_absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// $HOME when absolute, else the account's home folder.
std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (is_absolute(home)) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
    return found != nullptr && is_absolute(found->pw_dir) ? found->pw_dir : "";
}

// "Software\<Org>\<App>" names <Org>/<App>.conf; nothing else does, nor parts a path would read otherwise.
// A relative XDG_CONFIG_HOME or HOME is ignored, not resolved against the working folder of the moment.
std::string key_file(const char* subKey) {
    const std::vector<std::string> parts = split_key(subKey);
    const auto unusable = [](const std::string& part) {
        return part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos;
    };
    if (parts.size() != kKeyParts || !equal_ignoring_case(parts[0], "Software") ||
        std::any_of(parts.begin(), parts.end(), unusable)) {
        return {};
    }
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string config = is_absolute(xdg) ? std::string(xdg) : home_folder() + "/.config";
    return config + "/" + parts[1] + "/" + parts[2] + ".conf";
}

// Names of letters, digits and '_' are written as they are, and read back so by any reader.
bool is_plain_name(std::string_view name) {
    return !name.empty() && name.find_first_not_of(kPlainCharacters) == std::string_view::npos;
}

DWORD little_endian(const BYTE* data) {
    return DWORD{data[0]} | DWORD{data[1]} << 8 | DWORD{data[2]} << 16 | DWORD{data[3]} << 24;
}

} // namespace

// One open key: its file, held open and read, and the values set on the key, each name once.
struct SettingsFileRegistry::OpenKey {
    SettingsFile file;
    std::vector<SettingValue> values;

    void set(const std::string& name, DWORD number) {
        const auto same = [&](const SettingValue& value) { return value.name == name; };
        const auto found = std::find_if(values.begin(), values.end(), same);
        if (found != values.end()) {
            found->value = std::to_string(number);
        } else {
            values.push_back({name, std::to_string(number)});
        }
    }
};

SettingsFileRegistry::SettingsFileRegistry() = default;
SettingsFileRegistry::~SettingsFileRegistry() = default;

LSTATUS SettingsFileRegistry::RegOpenKeyExA(HKEY root, const char* subKey, DWORD /*options*/,
                                            REGSAM /*access*/, HKEY* result) {
    if (result == nullptr || root != HKEY_CURRENT_USER) {
        return result == nullptr ? ERROR_INVALID_PARAMETER : ERROR_BADKEY;
    }
    const std::string path = subKey == nullptr ? "" : key_file(subKey);
    auto key = std::make_unique<OpenKey>();
    const LSTATUS status = path.empty() ? ERROR_FILE_NOT_FOUND : key->file.open(path);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<HKEY>(key.get()) : nullptr;
    if (status == ERROR_SUCCESS) {
        keys_.emplace(*result, std::move(key));
    }
    return status;
}

LSTATUS SettingsFileRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                             const BYTE* data, DWORD dataSize) {
    const auto found = keys_.find(key);
    if (found == keys_.end() || reserved != 0 || type != REG_DWORD || dataSize != sizeof(DWORD) ||
        data == nullptr || valueName == nullptr || !is_plain_name(valueName)) {
        return found == keys_.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
    }
    found->second->set(valueName, little_endian(data));
    return ERROR_SUCCESS;
}

LSTATUS SettingsFileRegistry::RegCloseKey(HKEY key) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const std::unique_ptr<OpenKey> closed = std::move(found->second);
    keys_.erase(found);
    closed->file.removeStaleTemporaries();
    const std::string& before = closed->file.contents();
    const std::optional<std::string> after = with_values_set(before, closed->values);
    if (!after) {
        closed->file.reportLeftAlone("lone CRs and LFs both end its lines, which readers split differently");
        return ERROR_BADDB;
    }
    return *after == before ? ERROR_SUCCESS : closed->file.replace(*after);
}
