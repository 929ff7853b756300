#include "platform/settings/windows/WindowsRegistry.h"

#include "platform/settings/windows/winreg_calls.h"

LSTATUS WindowsRegistry::RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access,
                                       HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    winreg::Key opened = nullptr;
    const LSTATUS status =
        winreg::open_existing_key(reinterpret_cast<std::uintptr_t>(root), subKey, options, access, &opened);
    *result = status == ERROR_SUCCESS ? static_cast<HKEY>(opened) : nullptr;
    return status;
}

LSTATUS WindowsRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                        const BYTE* data, DWORD dataSize) {
    if (reserved != 0 || (data == nullptr && dataSize != 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    return winreg::set_value(key, valueName, type, data, dataSize);
}

LSTATUS WindowsRegistry::RegCloseKey(HKEY key) {
    return winreg::close_key(key);
}
