#include "platform/settings/windows/winreg_calls.h"

#include <windows.h>

namespace winreg {

namespace {

constexpr std::uintptr_t kPredefinedFirst = 0x80000000u;
constexpr std::uintptr_t kPredefinedLast = 0x800000FFu;

// The system writes its predefined roots as sign-extended 32-bit values (HKEY_CURRENT_USER is
// 0xFFFFFFFF80000001 in a 64-bit program); the program names them by their 32-bit tag.
HKEY native_root(std::uintptr_t root) {
    if (root >= kPredefinedFirst && root <= kPredefinedLast) {
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<DWORD>(root))));
    }
    return reinterpret_cast<HKEY>(root);
}

} // namespace

long open_existing_key(std::uintptr_t root, const char* subKey, std::uint32_t options, std::uint32_t access,
                       Key* result) {
    HKEY opened = nullptr;
    const LSTATUS status = ::RegOpenKeyExA(native_root(root), subKey, options, access, &opened);
    *result = opened;
    return status;
}

long set_value(Key key, const char* name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(static_cast<HKEY>(key), name, 0, type, data, size);
}

long close_key(Key key) {
    return ::RegCloseKey(static_cast<HKEY>(key));
}

} // namespace winreg
