// The registry calls of advapi32, in plain types: the program's own registry names clash with
// <windows.h>, so the system header is kept to winreg_calls.cpp.
#pragma once

#include <cstdint>

namespace winreg {

using Key = void*;

// `root` is a predefined root by its 32-bit tag (0x80000001 for the current user's) or a key opened here.
// Opens an existing key only.
long open_existing_key(std::uintptr_t root, const char* subKey, std::uint32_t options, std::uint32_t access,
                       Key* result);
long set_value(Key key, const char* name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size);
long close_key(Key key);

} // namespace winreg
