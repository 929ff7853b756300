#include "support/RecordingRegistry.h"

LSTATUS RecordingRegistry::RegOpenKeyExA(HKEY root, const char* subKey, DWORD, REGSAM access, HKEY* result) {
    calls.push_back({"open", subKey, 0, {}, nullptr});
    openedRoot = root;
    openedAccess = access;
    *result = openResult == ERROR_SUCCESS ? openKey() : nullptr;
    return openResult;
}

LSTATUS RecordingRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type,
                                          const BYTE* data, DWORD dataSize) {
    calls.push_back({"set", valueName, type, std::vector<BYTE>(data, data + dataSize), key});
    return failingValues.count(valueName) != 0 ? ERROR_WRITE_FAULT : ERROR_SUCCESS;
}

LSTATUS RecordingRegistry::RegCloseKey(HKEY key) {
    calls.push_back({"close", {}, 0, {}, key});
    return ERROR_SUCCESS;
}
