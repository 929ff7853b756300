#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

FileStatus status_from_open_error(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return FileStatus::AccessDenied;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
    case EISDIR:
    case ENXIO:
        return FileStatus::NotFound;
    default:
        return FileStatus::ReadFailed;
    }
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void close_keeping_errno(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

FileStatus read_regular_file(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    // O_NONBLOCK: a FIFO planted where the file should be must not hang the caller in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return status_from_open_error(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return FileStatus::NotFound;
    }
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        ::close(fd);
        return FileStatus::TooLarge;
    }
    bytes.clear();
    std::vector<char> chunk(64 * 1024);
    while (true) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return FileStatus::ReadFailed;
        }
        if (got == 0) {
            break;
        }
        // The size can grow under a writer that does not replace atomically.
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            ::close(fd);
            return FileStatus::TooLarge;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return FileStatus::Ok;
}

std::optional<std::string> resolve_file_links(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return std::nullopt;
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

FileStatus check_writable(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) {
        return FileStatus::Ok;
    }
    return errno == ENOENT || errno == ENOTDIR ? FileStatus::NotFound : FileStatus::AccessDenied;
}

FileStatus acquire_lock(const std::string& target, std::chrono::milliseconds timeout, int& lockFd) {
    const std::string lockPath = target + ".lock";
    // O_NOFOLLOW: a link planted as the lock file must not make us create a file somewhere else.
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
    if (fd < 0 && errno == EACCES) {
        // Someone else's lock file: flock needs no write access to it, on local file systems at least.
        fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    }
    if (fd < 0) {
        return FileStatus::LockFailed;
    }
    // Polling instead of a blocking flock, so that a hung holder delays the caller a bounded time.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::microseconds(200);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return FileStatus::LockFailed;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    lockFd = fd;
    return FileStatus::Ok;
}

void release_lock(int lockFd) {
    if (lockFd >= 0) {
        ::flock(lockFd, LOCK_UN);
        ::close(lockFd);
    }
}

FileStatus replace_file_atomically(const std::string& target, std::string_view bytes) {
    struct stat original {};
    const bool hasOriginal = ::stat(target.c_str(), &original) == 0;

    const std::string folder = folder_of(target);
    const std::string name = target.substr(target.rfind('/') + 1);
    // Hidden and unmistakable, in case a crash leaves it behind.
    std::string temporary = folder + "/." + name + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return FileStatus::CannotCreate;
    }
    auto fail = [&](FileStatus status) {
        ::unlink(temporary.c_str());
        return status;
    };

    if (hasOriginal) {
        // The owner only changes back where we may (root, or a group we are in); a file we may write
        // but do not own ends up ours, the one thing a rename cannot preserve.
        if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
            (void)::fchown(fd, static_cast<uid_t>(-1), original.st_gid);
        }
        if (::fchmod(fd, original.st_mode & 07777) != 0) {
            close_keeping_errno(fd);
            return fail(FileStatus::WriteFailed);
        }
    }
    if (!write_all(fd, bytes) || ::fsync(fd) != 0) {
        close_keeping_errno(fd);
        return fail(FileStatus::WriteFailed);
    }
    if (::close(fd) != 0) {
        return fail(FileStatus::WriteFailed);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(FileStatus::CannotReplace);
    }
    // The data is synced; the folder entry pointing at it is what is left to persist.
    if (const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return FileStatus::Ok;
}
