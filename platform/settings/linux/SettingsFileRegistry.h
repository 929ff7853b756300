// The registry over per-user settings files: the key HKEY_CURRENT_USER\Software\<Org>\<App> is
// <Org>/<App>.conf in $XDG_CONFIG_HOME (~/.config without an absolute one). Keys are opened, never created;
// REG_DWORD values are unsigned decimals on `name=value` lines at the top level, edited in the file's own
// lines so that the rest of it stays byte for byte. The values set on an open key reach the file together
// at its close, whose status tells if the file took them.
#pragma once

#include "platform/settings/RegistryApi.h"

#include <map>
#include <memory>

class SettingsFileRegistry : public RegistryApi {
public:
    SettingsFileRegistry();
    ~SettingsFileRegistry() override;

    LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) override;
    LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) override;
    LSTATUS RegCloseKey(HKEY key) override;

private:
    struct OpenKey;
    std::map<HKEY, std::unique_ptr<OpenKey>> keys_; // calls come from one thread
};
