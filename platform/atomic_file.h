// Reading and replacing a small file that other programs may read or write at the same time: readers see
// either the old or the new file, never a half-written one, and cooperating writers take turns.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class FileStatus {
    Ok,
    // Missing, a dangling link, a folder or anything else that is not a regular file.
    NotFound,
    AccessDenied,
    TooLarge,
    ReadFailed,
    // Making, writing or syncing the temporary file failed: the original is untouched.
    CannotCreate,
    WriteFailed,
    CannotReplace,
    LockFailed,
};

// The regular file at `path`, following links; at most `maxBytes` of it.
FileStatus read_regular_file(const std::string& path, std::size_t maxBytes, std::string& bytes);

// The real path of an existing file with every link resolved, so that a settings file that is a link into
// e.g. a dotfiles checkout is updated where it really lives and the link itself stays a link.
std::optional<std::string> resolve_file_links(const std::string& path);

// Whether the file's permissions let us write it. Replacing by rename only needs the folder to be
// writable, which would silently override a file someone made read-only on purpose.
FileStatus check_writable(const std::string& path);

// An exclusive flock on the sidecar file `<target>.lock`, made if missing, waiting at most `timeout`.
// The target itself cannot be locked: every replacement is a new inode, so two writers could each hold a
// lock on a different generation of it. On success `lockFd` holds the lock until release_lock.
FileStatus acquire_lock(const std::string& target, std::chrono::milliseconds timeout, int& lockFd);
void release_lock(int lockFd);

// Replaces `target` with `bytes`: a temporary file in the same folder, written and synced, takes the
// original's permission bits (and owner, where allowed) and is renamed over it; the folder is synced so
// the rename survives a crash. On failure the original is untouched and the temporary file removed.
FileStatus replace_file_atomically(const std::string& target, std::string_view bytes);
