// The settings store on the system's registry (advapi32): the program's settings store on Windows.
#pragma once

#include "platform/settings/RegistryApi.h"

class WindowsRegistry : public RegistryApi {
public:
    // Opens an existing key only: a key that is not there is answered ERROR_FILE_NOT_FOUND, and nothing is
    // created.
    LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) override;
    LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) override;
    LSTATUS RegCloseKey(HKEY key) override;
};
