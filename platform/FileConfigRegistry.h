// The registry over per-user settings files read and written with wxFileConfig:
// HKEY_CURRENT_USER\Software\<Org>\<App> is $XDG_CONFIG_HOME/<Org>/<App>.conf (~/.config by default) and
// deeper components are groups inside it. Values are REG_DWORDs stored as unsigned decimal numbers.
//
// The file usually belongs to another program, so a write changes the one line of its value and nothing
// else, replaces the file atomically, and takes a lock so that concurrent writers do not lose each other's
// values. Keys are never created: opening a key whose file (or group) is missing fails.
#pragma once

#include "platform/RegistryApi.h"

#include <map>
#include <memory>
#include <mutex>

class FileConfigRegistry : public RegistryApi {
public:
    FileConfigRegistry();
    ~FileConfigRegistry() override;
    FileConfigRegistry(const FileConfigRegistry&) = delete;
    FileConfigRegistry& operator=(const FileConfigRegistry&) = delete;

    LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) override;
    // Each call is its own locked read-modify-write of the file, so one failing value never leaves the
    // others half-applied and a later value is still written.
    LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) override;
    LSTATUS RegCloseKey(HKEY key) override;

private:
    struct OpenKey;

    std::mutex mutex_;
    std::map<HKEY, std::unique_ptr<OpenKey>> keys_;
};
