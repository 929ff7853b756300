// The registry over per-user settings files: HKEY_CURRENT_USER\Software\<Org>\<App> is the file
// <Org>/<App>.conf in $XDG_CONFIG_HOME (~/.config without an absolute one), read and edited with
// wxFileConfig. Keys are opened, never created; REG_DWORD values are unsigned decimal numbers at the file's
// top level. The values set on an open key reach the file together when it is closed, in one replacement of
// the file, so that other programs see every value of a close or none. Calls come from one thread.
#pragma once

#include "platform/RegistryApi.h"

#include <map>
#include <memory>

class FileConfigRegistry : public RegistryApi {
public:
    FileConfigRegistry();
    ~FileConfigRegistry() override;

    // A file that could not be written back (read-only, behind another user's link, not text) is refused
    // here.
    LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) override;
    LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) override;
    // Writes the key's values, when any changed, and tells whether the file took them.
    LSTATUS RegCloseKey(HKEY key) override;

private:
    struct OpenKey;

    std::map<HKEY, std::unique_ptr<OpenKey>> keys_;
};
