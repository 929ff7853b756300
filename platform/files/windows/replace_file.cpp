#include "platform/files/replace_file.h"

#include <windows.h>

#include <algorithm>
#include <random>

namespace {

// A temporary is ".<name>.XXXXXX" beside the file, not matched by a collector's "*.prom".
constexpr std::string_view kTemporaryLetters = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr int kTemporaryLength = 6;
constexpr int kTemporaryAttempts = 100;
// Writes go out in pieces a DWORD can count.
constexpr std::size_t kLargestWrite = 1u << 30;

// The system's text for `error`, without its closing full stop and line break.
std::optional<std::string> error_text(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    message.erase(message.find_last_not_of(" .\r\n") + 1);
    return message;
}

std::string temporary_path(const std::string& target, std::mt19937& random) {
    // The argument comes in the system's code page, where no trailing byte is a slash or a backslash.
    const std::size_t folderEnd = target.find_last_of("/\\:") + 1;
    std::uniform_int_distribution<std::size_t> letter(0, kTemporaryLetters.size() - 1);
    std::string path = target.substr(0, folderEnd) + "." + target.substr(folderEnd) + ".";
    for (int i = 0; i < kTemporaryLength; ++i) {
        path += kTemporaryLetters[letter(random)];
    }
    return path;
}

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(std::min(bytes.size(), kLargestWrite)), &wrote,
                       nullptr)) {
            return false;
        }
        bytes.remove_prefix(wrote);
    }
    return true;
}

} // namespace

std::optional<std::string> replace_file(const std::string& path, std::string_view bytes) {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        const std::string temporary = temporary_path(path, random);
        const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
            continue;
        }
        if (file == INVALID_HANDLE_VALUE) {
            return error_text(GetLastError());
        }
        const bool written = write_all(file, bytes) && FlushFileBuffers(file);
        DWORD error = written ? ERROR_SUCCESS : GetLastError();
        if (!CloseHandle(file) && error == ERROR_SUCCESS) {
            error = GetLastError();
        }
        if (error == ERROR_SUCCESS && !MoveFileExA(temporary.c_str(), path.c_str(),
                                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = GetLastError();
        }
        if (error != ERROR_SUCCESS) {
            DeleteFileA(temporary.c_str());
            return error_text(error);
        }
        return std::nullopt;
    }
    return error_text(ERROR_FILE_EXISTS);
}
