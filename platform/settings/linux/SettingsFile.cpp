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
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr off_t kMaxFileBytes = 4 * 1024 * 1024; // settings files are a few kilobytes
constexpr int kMaxLinks = 40;                    // as many as the kernel follows in one path
constexpr mode_t kSpecialModeBits = S_ISUID | S_ISGID | S_ISVTX;
// A temporary is ".<name>.varnel-unfinished-XXXXXX" beside the file: hidden, and a name that says whose it
// is, unlike the names people give their own copies (".PALVEX.conf.backup").
constexpr std::string_view kTemporaryStem = ".varnel-unfinished-";
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

bool write_at(int fd, std::size_t offset, std::string_view bytes) {
    const FileSizeSignalIgnored ignored;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (wrote <= 0 && errno != EINTR) {
            return false;
        }
        done += static_cast<std::size_t>(std::max<ssize_t>(wrote, 0));
    }
    return true;
}

// GCC 12 at -O3 (the Release build) warns of a memcpy of some 2^63 bytes overlapping itself inside
// libstdc++'s operator+(const char*, std::string&&): a known false alarm of that compiler about its own
// header, not about this code. Silenced for this one function.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string temporary_pattern(const std::string& target) {
    const fs::path path(target);
    return (path.parent_path() /
            ("." + path.filename().string() + std::string(kTemporaryStem) + std::string(kTemporaryMark)))
        .string();
}
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic pop
#endif

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

// The byte every reader takes for an empty line after these contents: a CR where CRs alone end lines.
char blank_line(std::string_view contents) {
    return contents.find('\n') == std::string_view::npos && contents.find('\r') != std::string_view::npos
               ? '\r'
               : '\n';
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
    const LSTATUS status = replaceOrWriteInPlace(bytes);
    if (status != ERROR_SUCCESS) {
        // Both ways leave the old contents when a write fails (a full disk, a size limit).
        reportLeftAlone(std::string("it could not be written: ") + std::strerror(errno));
    }
    return status;
}

LSTATUS SettingsFile::replaceOrWriteInPlace(const std::string& bytes) const {
    if (info_.st_nlink > 1) {
        return writeInPlace(bytes); // a rename would leave the file's other names with the old contents
    }
    const std::optional<LSTATUS> renamed = replaceByRename(bytes);
    return renamed ? *renamed : writeInPlace(bytes);
}

// Nothing where no copy can take the file's place as the same file in all but its contents.
std::optional<LSTATUS> SettingsFile::replaceByRename(const std::string& bytes) const {
    // A folder we may not write (as a file bind-mounted into a read-only one) takes no temporary.
    std::optional<Temporary> temporary = create_temporary(target_);
    // Another user's file, or a group we are not in: the copy would change hands.
    if (!temporary || fchown(temporary->file.get(), info_.st_uid, info_.st_gid) != 0) {
        if (temporary) {
            unlink(temporary->path.c_str());
        }
        return std::nullopt;
    }
    const int out = temporary->file.get();
    const bool written =
        write_at(out, 0, bytes) &&
        perm_copy_fd(target_.c_str(), descriptor_, temporary->path.c_str(), out, nullptr) == 0 &&
        attr_copy_fd(target_.c_str(), descriptor_, temporary->path.c_str(), out, nullptr, nullptr) == 0 &&
        // The ownership change cleared the setuid and setgid bits, and the permission copy leaves them out.
        ((info_.st_mode & kSpecialModeBits) == 0 || fchmod(out, info_.st_mode & 07777) == 0) &&
        fsync(out) == 0;
    const int renamed = written ? rename(temporary->path.c_str(), target_.c_str()) : -1;
    const int renameError = errno;
    if (renamed == 0) {
        return ERROR_SUCCESS;
    }
    unlink(temporary->path.c_str());
    // A mount point of its own, as containers bind-mount files, cannot be renamed over.
    if (written && (renameError == EBUSY || renameError == EXDEV)) {
        return std::nullopt;
    }
    return ERROR_WRITE_FAULT;
}

// Room for longer contents is taken first by appending blank lines to the old ones, so that a full disk or
// the file-size limit fails the write before a byte of the old contents is overwritten; shorter contents are
// written with blank lines over the rest before it is cut off. A kill at any moment leaves text that readers
// and the next Quitter take: the old contents or the new ones, either followed by blank lines, or, during
// the one write, the new contents up to a point and the old ones after it.
LSTATUS SettingsFile::writeInPlace(const std::string& bytes) const {
    const Descriptor out(::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (out.get() < 0 || !same_file(target_, out.get())) {
        return ERROR_WRITE_FAULT;
    }
    const std::size_t oldSize = contents_.size();
    const char blank = blank_line(bytes);
    if (bytes.size() > oldSize &&
        !(write_at(out.get(), oldSize, std::string(bytes.size() - oldSize, blank)) &&
          fsync(out.get()) == 0)) {
        // Gives back whatever part of the room was taken; the old contents are untouched either way.
        [[maybe_unused]] const int trimmed = ftruncate(out.get(), static_cast<off_t>(oldSize));
        return ERROR_WRITE_FAULT;
    }
    const std::string padded = bytes + std::string(oldSize - std::min(oldSize, bytes.size()), blank);
    const bool written = write_at(out.get(), 0, padded) &&
                         ftruncate(out.get(), static_cast<off_t>(bytes.size())) == 0 && fsync(out.get()) == 0;
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
