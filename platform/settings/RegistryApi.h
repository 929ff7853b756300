// The registry operations the settings export relies on. The program stores keys as per-user
// configuration files; tests may put a recording store in its place.
#pragma once

#include <cstdint>

using LSTATUS = long;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using REGSAM = std::uint32_t;

struct HKEY__;
using HKEY = HKEY__*;

// Predefined roots are tagged values, never dereferenced.
inline HKEY predefinedKey(std::uintptr_t tag) {
    return reinterpret_cast<HKEY>(tag);
}
inline const HKEY HKEY_CURRENT_USER = predefinedKey(0x80000001u);

inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
inline constexpr LSTATUS ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LSTATUS ERROR_WRITE_FAULT = 29;
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_BADDB = 1009;
inline constexpr LSTATUS ERROR_BADKEY = 1010;
inline constexpr LSTATUS ERROR_CANTOPEN = 1011;
inline constexpr LSTATUS ERROR_CANTREAD = 1012;
inline constexpr LSTATUS ERROR_CANTWRITE = 1013;

inline constexpr DWORD REG_DWORD = 4;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // Opens an existing key; never creates one.
    virtual LSTATUS RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access,
                                  HKEY* result) = 0;
    virtual LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                   const BYTE* data, DWORD dataSize) = 0;
    virtual LSTATUS RegCloseKey(HKEY key) = 0;
};
