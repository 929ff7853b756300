// A settings store for tests: logs every request and answers as scripted.
#pragma once

#include "platform/settings/RegistryApi.h"

#include <set>
#include <string>
#include <vector>

struct RegistryCall {
    std::string operation; // "open", "set", "close"
    std::string name;      // key path for "open", value name for "set"
    DWORD type = 0;
    std::vector<BYTE> data;
    HKEY key = nullptr;
};

class RecordingRegistry : public RegistryApi {
public:
    LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) override;
    LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) override;
    LSTATUS RegCloseKey(HKEY key) override;

    LSTATUS openResult = ERROR_SUCCESS;
    std::set<std::string> failingValues; // value names whose write fails
    std::vector<RegistryCall> calls;
    HKEY openedRoot = nullptr;
    REGSAM openedAccess = 0;

    static HKEY openKey() { return reinterpret_cast<HKEY>(0x4B45); }
};
