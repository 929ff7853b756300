#include "platform/FileConfigRegistry.h"

#include "platform/code_page_text.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Settings files are a few kilobytes; anything far bigger is not one, and is not loaded.
constexpr off_t maxFileBytes = 4 * 1024 * 1024;
// As many links as the kernel follows in one path.
constexpr int maxLinks = 40;

// wxFileConfig logs odd lines of a file and asserts on a repeated group header; in the program either would
// be a dialog about another program's file, so both are off during a registry call.
struct Quiet {
    wxLogNull noLog;
    wxAssertHandler_t saved = wxSetAssertHandler(nullptr);
    ~Quiet() { wxSetAssertHandler(saved); }
};

struct Descriptor {
    int fd = -1;
    ~Descriptor() { close(fd); }
};

// A relative XDG_CONFIG_HOME or HOME is ignored, not resolved against the working folder of the moment.
std::string config_home() {
    const auto absolute = [](const char* path) { return path != nullptr && path[0] == '/'; };
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); absolute(xdg)) {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return (absolute(home) ? std::string(home) : std::string(wxGetUserHome(wxGetUserId()).fn_str())) +
           "/.config";
}

// "Software\<Org>\<App>" names the file <Org>/<App>.conf; nothing else names a key, nor a part that a path
// would read as something else.
std::optional<std::string> key_file(const char* subKey) {
    const wxArrayString parts = wxSplit(to_toolkit_text(subKey), '\\', '\0');
    if (parts.size() != 3 || !parts[0].IsSameAs("Software", false)) {
        return std::nullopt;
    }
    for (const wxString& part : parts) {
        if (part.empty() || part == "." || part == ".." || part.Contains("/")) {
            return std::nullopt;
        }
    }
    return config_home() + "/" + from_toolkit_text(parts[1]) + "/" + from_toolkit_text(parts[2]) + ".conf";
}

// The path with every link resolved, following a link only when it belongs to the running user or to root,
// so that a link another user planted in a shared folder cannot redirect the write (the kernel's
// protected-symlinks rule, which may be switched off). Empty when a link is not followed.
std::optional<std::string> trusted_target(const std::string& path, int depth = 0) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        struct stat info {};
        if (lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            char link[PATH_MAX];
            const ssize_t size = readlink(prefix.c_str(), link, sizeof link);
            if (depth == maxLinks || size <= 0 || size == PATH_MAX ||
                (info.st_uid != geteuid() && info.st_uid != 0)) {
                return std::nullopt;
            }
            std::string next(link, static_cast<std::size_t>(size));
            if (next.front() != '/') {
                next.insert(0, prefix.substr(0, prefix.rfind('/') + 1));
            }
            return trusted_target(next + (end == std::string::npos ? "" : path.substr(end)), depth + 1);
        }
        if (end == std::string::npos) {
            return path;
        }
    }
}

// Bytes are characters one to one both ways, so text in any encoding goes back out unchanged.
std::string serialise(wxFileConfig& config) {
    wxMemoryOutputStream stream;
    config.Save(stream, wxConvISO8859_1);
    std::string bytes(stream.GetLength(), '\0');
    stream.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// Names a stock wxFileConfig reader gets back exactly: a '/' would be a path, a leading '!' freezes an entry,
// spaces round a name are trimmed, and control or 8-bit bytes do not survive its escaping.
bool is_storable_name(const std::string& name) {
    return !name.empty() && name.front() != '!' && name.front() != ' ' && name.back() != ' ' &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '/'; });
}

} // namespace

// One open key: its file, held open, read into a wxFileConfig that takes the values set on the key.
struct FileConfigRegistry::OpenKey {
    std::string target;
    Descriptor file;
    struct stat info {};
    std::unique_ptr<wxFileConfig> config;
    std::string loaded; // the file as wxFileConfig saves it before any change
    // wxFileConfig matches names without regard to case, and ours are exact: where the file holds a name in
    // another case, that entry is left alone and the value goes in under a stand-in, renamed in the saved
    // text.
    std::map<wxString, wxString> standIns;

    // An existing regular file we may read and write; one without any write bit was made read-only on
    // purpose and is left alone, by root too.
    LSTATUS load(const std::string& path) {
        const std::optional<std::string> resolved = trusted_target(path);
        if (!resolved) {
            return ERROR_ACCESS_DENIED;
        }
        target = *resolved;
        file.fd = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (file.fd < 0 || fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            return file.fd < 0 && errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        }
        if ((info.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
            return ERROR_ACCESS_DENIED;
        }
        std::string bytes(static_cast<std::size_t>(std::min(info.st_size, maxFileBytes + 1)), '\0');
        // A NUL marks a file that is not text (UTF-16, binary): wxFileConfig would cut its lines there.
        if (info.st_size > maxFileBytes || pread(file.fd, bytes.data(), bytes.size(), 0) != info.st_size ||
            bytes.find('\0') != std::string::npos) {
            return ERROR_BADDB;
        }
        // Parsed through the descriptor: the very file checked above. wxFileConfig's own save stays off, as
        // it deletes the file before renaming the new one in and makes a link a plain file.
        config = std::make_unique<wxFileConfig>(wxString(), wxString(),
                                                wxString::Format("/proc/self/fd/%d", file.fd), wxString(),
                                                wxCONFIG_USE_LOCAL_FILE, wxConvISO8859_1);
        config->DisableAutoSave();
        loaded = serialise(*config);
        return bytes.empty() || !loaded.empty() ? ERROR_SUCCESS : ERROR_CANTREAD;
    }

    LSTATUS set(const wxString& name, const wxString& value) {
        wxString entry;
        long index = 0;
        for (bool more = config->GetFirstEntry(entry, index); more;
             more = config->GetNextEntry(entry, index)) {
            if (entry.IsSameAs(name, false) && entry != name && !standIns.contains(name)) {
                standIns[name] = "%" + name;
                while (config->HasEntry(standIns[name])) {
                    standIns[name].Prepend("%");
                }
            }
        }
        const wxString written = standIns.contains(name) ? standIns[name] : name;
        // A frozen entry keeps its value, and wxFileConfig says nothing of it.
        return config->Write(written, value) && config->Read(written, wxString()) == value
                   ? ERROR_SUCCESS
                   : ERROR_ACCESS_DENIED;
    }

    // A stand-in's line is the first to start with its name: an earlier one would be a top-level entry of
    // that name, which the stand-in was chosen not to be.
    std::string text() {
        std::string bytes = serialise(*config);
        for (const auto& [name, standIn] : standIns) {
            const std::size_t at = ("\n" + bytes).find("\n" + from_toolkit_text(standIn) + "=");
            if (at != std::string::npos) {
                bytes.replace(at, standIn.length(), from_toolkit_text(name));
            }
        }
        return bytes;
    }

    // A new file renamed over the old one, so that a reader, or a kill at any moment, meets either the old
    // file or the new one. It gets the old one's owner where allowed, its permission bits, ACL and extended
    // attributes; a write that cannot be completed leaves the old file as it was.
    LSTATUS save(const std::string& bytes) {
        std::string temporary = target + ".XXXXXX";
        const Descriptor out{mkostemp(temporary.data(), O_CLOEXEC)};
        if (out.fd < 0) {
            return ERROR_CANTWRITE;
        }
        // Past the file-size limit SIGXFSZ would end the program; ignored, it leaves a short write, a
        // failure.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        const bool complete = write(out.fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        std::signal(SIGXFSZ, previous);
        const bool written =
            complete && (fchown(out.fd, info.st_uid, info.st_gid) == 0 || errno == EPERM) &&
            perm_copy_fd(target.c_str(), file.fd, temporary.c_str(), out.fd, nullptr) == 0 &&
            attr_copy_fd(target.c_str(), file.fd, temporary.c_str(), out.fd, nullptr, nullptr) == 0 &&
            fsync(out.fd) == 0;
        if (written && rename(temporary.c_str(), target.c_str()) == 0) {
            return ERROR_SUCCESS;
        }
        unlink(temporary.c_str());
        return ERROR_WRITE_FAULT;
    }
};

FileConfigRegistry::FileConfigRegistry() = default;
FileConfigRegistry::~FileConfigRegistry() = default;

LSTATUS FileConfigRegistry::RegOpenKeyExA(HKEY root, const char* subKey, DWORD /*options*/, REGSAM /*access*/,
                                          HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    const std::optional<std::string> file = subKey == nullptr ? std::nullopt : key_file(subKey);
    if (root != HKEY_CURRENT_USER || !file) {
        return root != HKEY_CURRENT_USER ? ERROR_BADKEY : ERROR_FILE_NOT_FOUND;
    }
    Quiet quiet;
    auto key = std::make_unique<OpenKey>();
    if (const LSTATUS status = key->load(*file); status != ERROR_SUCCESS) {
        return status;
    }
    *result = reinterpret_cast<HKEY>(key.get());
    keys_.emplace(*result, std::move(key));
    return ERROR_SUCCESS;
}

LSTATUS FileConfigRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                           const BYTE* data, DWORD dataSize) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (reserved != 0 || type != REG_DWORD || dataSize != 4 || data == nullptr || valueName == nullptr ||
        !is_storable_name(valueName)) {
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD value = DWORD{data[0]} | DWORD{data[1]} << 8 | DWORD{data[2]} << 16 | DWORD{data[3]} << 24;
    Quiet quiet;
    return found->second->set(to_toolkit_text(valueName), wxString::Format("%u", value));
}

LSTATUS FileConfigRegistry::RegCloseKey(HKEY key) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const std::unique_ptr<OpenKey> closed = std::move(found->second);
    keys_.erase(found);
    Quiet quiet;
    const std::string bytes = closed->text();
    return bytes == closed->loaded ? ERROR_SUCCESS : closed->save(bytes);
}
