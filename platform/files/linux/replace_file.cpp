#include "platform/files/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

// As open() and creat() give any new file, less the user's file-creation mask: a collector running as
// another user reads it where the user's other files are readable.
constexpr mode_t kNewFileMode = 0666;
// A temporary is ".<name>.XXXXXX" beside the file: hidden, and not matched by a collector's "*.prom".
constexpr std::string_view kTemporaryLetters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kTemporaryLength = 6;
constexpr int kTemporaryAttempts = 100;

std::optional<std::string> error_text(int error) {
    return std::string(std::strerror(error));
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno != EINTR) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(wrote, 0)));
    }
    return true;
}

// Writes and closes `fd`; answers the first failure's errno, or 0.
int write_and_close(int fd, std::string_view bytes, bool sync) {
    const bool written = write_all(fd, bytes) && (!sync || fsync(fd) == 0);
    const int writeError = errno;
    const bool closed = close(fd) == 0;
    return !written ? writeError : closed ? 0 : errno;
}

std::string temporary_path(const std::filesystem::path& target, std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> letter(0, kTemporaryLetters.size() - 1);
    std::string name = "." + target.filename().string() + ".";
    for (int i = 0; i < kTemporaryLength; ++i) {
        name += kTemporaryLetters[letter(random)];
    }
    return (target.parent_path() / name).string();
}

std::optional<std::string> write_in_place(const std::string& path, std::string_view bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    const int error = fd < 0 ? errno : write_and_close(fd, bytes, false);
    return error == 0 ? std::nullopt : error_text(error);
}

} // namespace

std::optional<std::string> replace_file(const std::string& path, std::string_view bytes) {
    struct stat info {};
    // Renamed over, /dev/null or a pipe a reader waits on would be lost: those are written as they stand.
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return write_in_place(path, bytes);
    }
    const std::filesystem::path target(path);
    if (!target.has_filename()) {
        return error_text(EISDIR);
    }
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        const std::string temporary = temporary_path(target, random);
        const int fd =
            open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, kNewFileMode);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return error_text(errno);
        }
        // Synced before the rename: after a crash the name holds the old contents or the new, not an empty
        // file.
        int error = write_and_close(fd, bytes, true);
        if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) {
            error = errno;
        }
        if (error != 0) {
            unlink(temporary.c_str());
            return error_text(error);
        }
        return std::nullopt;
    }
    return error_text(EEXIST);
}
