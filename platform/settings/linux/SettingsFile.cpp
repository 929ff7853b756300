#include "platform/settings/linux/SettingsFile.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr off_t kMaxFileBytes = 4 * 1024 * 1024; // settings files are a few kilobytes
constexpr int kMaxLinks = 40;                    // as many as the kernel follows in one path
constexpr mode_t kSpecialModeBits = S_ISUID | S_ISGID | S_ISVTX;
// A temporary is ".<name>.XXXXXX" beside the file: hidden, and unlike the names people give their copies.
constexpr std::string_view kTemporaryMark = "XXXXXX";
constexpr std::string_view kTemporaryLetters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kTemporaryAttempts = 3;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Past the file-size limit SIGXFSZ would end the program; ignored, the write just comes up short.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() : previous_(std::signal(SIGXFSZ, SIG_IGN)) {}
    ~FileSizeSignalIgnored() { std::signal(SIGXFSZ, previous_); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    void (*previous_)(int);
};

// The path with its links resolved, each followed only when it is ours or root's: a link another user planted
// in a shared folder does not redirect the write (the kernel's protected-symlinks rule, which may be off).
std::string trusted_target(const fs::path& path, int depth = 0) {
    fs::path walked;
    for (auto part = path.begin(); part != path.end(); ++part) {
        walked /= *part;
        struct stat info {};
        if (lstat(walked.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            std::error_code error;
            const fs::path next = walked.parent_path() / fs::read_symlink(walked, error);
            if (error || depth == kMaxLinks || (info.st_uid != geteuid() && info.st_uid != 0)) {
                return {};
            }
            const fs::path rest = path.lexically_relative(walked);
            return trusted_target(rest == "." ? next : next / rest, depth + 1);
        }
    }
    return walked;
}

bool same_file(const std::string& path, int fd) {
    struct stat named {};
    struct stat held {};
    return lstat(path.c_str(), &named) == 0 && fstat(fd, &held) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

bool write_all(int fd, std::string_view bytes) {
    const FileSizeSignalIgnored ignored;
    for (off_t done = 0; done < static_cast<off_t>(bytes.size());) {
        const ssize_t wrote = pwrite(fd, bytes.data() + done, bytes.size() - done, done);
        if (wrote <= 0 && errno != EINTR) {
            return false;
        }
        done += std::max<ssize_t>(wrote, 0);
    }
    return true;
}

std::string temporary_pattern(const std::string& target) {
    const fs::path path(target);
    return (path.parent_path() / ("." + path.filename().string() + "." + std::string(kTemporaryMark)))
        .string();
}

bool is_temporary_name(const std::string& name, const std::string& pattern) {
    const std::size_t stem = pattern.size() - kTemporaryMark.size();
    return name.size() == pattern.size() && name.compare(0, stem, pattern, 0, stem) == 0 &&
           name.find_first_not_of(kTemporaryLetters, stem) == std::string::npos;
}

struct Temporary {
    std::string path;
    Descriptor file;
};

// Locked while it lives, so that another Quitter's sweep of stale temporaries passes it by; one swept
// between its creation and its lock is made again.
std::optional<Temporary> create_temporary(const std::string& target) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string path = temporary_pattern(target);
        Descriptor file(mkostemp(path.data(), O_CLOEXEC));
        if (file.get() < 0) {
            return std::nullopt;
        }
        flock(file.get(), LOCK_EX); // where locks are not supported, no temporary is ever swept
        if (same_file(path, file.get())) {
            return Temporary{std::move(path), std::move(file)};
        }
    }
    return std::nullopt;
}

} // namespace

SettingsFile::~SettingsFile() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

LSTATUS SettingsFile::open(const std::string& path) {
    target_ = trusted_target(path);
    descriptor_ = ::open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor_ < 0 || fstat(descriptor_, &info_) != 0 || !S_ISREG(info_.st_mode)) {
        return target_.empty() || (descriptor_ < 0 && errno == EACCES) ? ERROR_ACCESS_DENIED
                                                                       : ERROR_FILE_NOT_FOUND;
    }
    if ((info_.st_mode & 0222) == 0 || access(target_.c_str(), W_OK) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (info_.st_size > kMaxFileBytes) {
        reportLeftAlone("it is larger than any settings file (4 MiB)");
        return ERROR_BADDB;
    }
    contents_.assign(static_cast<std::size_t>(info_.st_size), '\0');
    if (pread(descriptor_, contents_.data(), contents_.size(), 0) != info_.st_size) {
        return ERROR_CANTREAD;
    }
    // A NUL is no part of a text file: UTF-16, or binary, would not survive an edit of its lines.
    if (contents_.find('\0') != std::string::npos) {
        reportLeftAlone("it holds NUL bytes, as no text file does");
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

void SettingsFile::reportLeftAlone(std::string_view reason) const {
    std::fprintf(stderr, "varnel: settings not saved, %s left as it is: %.*s\n", target_.c_str(),
                 static_cast<int>(reason.size()), reason.data());
}

LSTATUS SettingsFile::replace(const std::string& bytes) {
    std::optional<Temporary> temporary = create_temporary(target_);
    if (!temporary) {
        return ERROR_CANTWRITE;
    }
    const int out = temporary->file.get();
    const bool written =
        write_all(out, bytes) && (fchown(out, info_.st_uid, info_.st_gid) == 0 || errno == EPERM) &&
        perm_copy_fd(target_.c_str(), descriptor_, temporary->path.c_str(), out, nullptr) == 0 &&
        attr_copy_fd(target_.c_str(), descriptor_, temporary->path.c_str(), out, nullptr, nullptr) == 0 &&
        // The ownership change cleared the setuid and setgid bits, and the permission copy leaves them out.
        ((info_.st_mode & kSpecialModeBits) == 0 || fchmod(out, info_.st_mode & 07777) == 0 ||
         errno == EPERM) &&
        fsync(out) == 0;
    const int renamed = written ? rename(temporary->path.c_str(), target_.c_str()) : -1;
    const int renameError = errno;
    if (renamed == 0) {
        return ERROR_SUCCESS;
    }
    unlink(temporary->path.c_str());
    return written && (renameError == EBUSY || renameError == EXDEV) ? writeInPlace(bytes)
                                                                     : ERROR_WRITE_FAULT;
}

// Room for the new contents is taken first, so that a full disk or the file-size limit fails the write
// before a byte of the old contents is overwritten; only a kill during the write itself can mix the two.
LSTATUS SettingsFile::writeInPlace(const std::string& bytes) const {
    const Descriptor out(::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (out.get() < 0 || !same_file(target_, out.get())) {
        return ERROR_WRITE_FAULT;
    }
    const off_t size = static_cast<off_t>(bytes.size());
    const FileSizeSignalIgnored ignored;
    if (size > info_.st_size && posix_fallocate(out.get(), info_.st_size, size - info_.st_size) != 0) {
        // Gives back whatever part of the room was taken; the old contents are untouched either way.
        [[maybe_unused]] const int trimmed = ftruncate(out.get(), info_.st_size);
        return ERROR_WRITE_FAULT;
    }
    const bool written =
        write_all(out.get(), bytes) && ftruncate(out.get(), size) == 0 && fsync(out.get()) == 0;
    return written ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

void SettingsFile::removeStaleTemporaries() const {
    const std::string pattern = temporary_pattern(target_);
    const std::string patternName = fs::path(pattern).filename().string();
    std::error_code error;
    for (auto entry = fs::directory_iterator(fs::path(pattern).parent_path(), error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const std::string path = entry->path().string();
        if (!is_temporary_name(entry->path().filename().string(), patternName)) {
            continue;
        }
        const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        struct stat info {};
        // Unlocked: the Quitter that made it is gone. Another user's is left to that user.
        if (file.get() >= 0 && fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == geteuid() && flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
            same_file(path, file.get())) {
            unlink(path.c_str());
        }
    }
}
