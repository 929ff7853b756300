#include "platform/settings/linux/FileConfigRegistry.h"

#include "platform/toolkit/code_page_text.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/file.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/utils.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr off_t maxFileBytes = 4 * 1024 * 1024; // settings files are a few kilobytes
constexpr int maxLinks = 40;                    // as many as the kernel follows in one path
constexpr const char* plainCharacters = "_0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// wxFileConfig logs odd lines and asserts on some: in the program, dialogs about another program's file.
struct Quiet {
    wxLogNull noLog;
    wxAssertHandler_t saved = wxSetAssertHandler(nullptr);
    ~Quiet() { wxSetAssertHandler(saved); }
};

// "Software\<Org>\<App>" names <Org>/<App>.conf; nothing else does, nor parts a path would read otherwise.
// A relative XDG_CONFIG_HOME or HOME is ignored, not resolved against the working folder of the moment.
std::string key_file(const char* subKey) {
    const wxArrayString parts = wxSplit(to_toolkit_text(subKey), '\\', '\0');
    const auto unusable = [](const wxString& part) {
        return part.empty() || part == "." || part == ".." || part.Contains("/");
    };
    if (parts.size() != 3 || !parts[0].IsSameAs("Software", false) ||
        std::any_of(parts.begin(), parts.end(), unusable)) {
        return {};
    }
    const auto absolute = [](const char* path) { return path != nullptr && path[0] == '/'; };
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string config = absolute(home) ? home : std::string(wxGetUserHome(wxGetUserId()).fn_str());
    config = absolute(xdg) ? xdg : config + "/.config";
    return config + "/" + from_toolkit_text(parts[1]) + "/" + from_toolkit_text(parts[2]) + ".conf";
}

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
            if (error || depth == maxLinks || (info.st_uid != geteuid() && info.st_uid != 0)) {
                return {};
            }
            const fs::path rest = path.lexically_relative(walked);
            return trusted_target(rest == "." ? next : next / rest, depth + 1);
        }
    }
    return walked;
}

// Bytes are characters one to one both ways, so text in any encoding goes back out unchanged.
std::string serialise(wxFileConfig& config) {
    wxStringOutputStream stream(nullptr, wxConvISO8859_1);
    config.Save(stream, wxConvISO8859_1);
    return from_toolkit_text(stream.GetString());
}

// Names of letters, digits and '_' are written as they are, and read back so by any reader.
bool is_plain_name(const std::string& name) {
    return !name.empty() && name.find_first_not_of(plainCharacters) == std::string::npos;
}

// Sets each name on the last top-level line of exactly that name, or on a new line ahead of the first group.
std::string set_lines(std::string bytes, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        std::size_t line = 0;
        std::size_t last = std::string::npos;
        for (; line < bytes.size() && bytes[bytes.find_first_not_of(" \t", line)] != '[';
             line = bytes.find('\n', line) + 1) {
            const std::size_t text = bytes.find_first_not_of(" \t", line);
            const std::size_t sign = bytes.find_first_not_of(" \t", text + name.size());
            if (bytes.compare(text, name.size(), name) == 0 && sign < bytes.size() && bytes[sign] == '=') {
                last = line;
            }
        }
        const std::size_t at = last == std::string::npos ? line : last; // `last`, if any, is before `line`
        bytes.replace(at, at == line ? 0 : bytes.find('\n', at) + 1 - at, name + '=' + value + '\n');
    }
    return bytes;
}

} // namespace

// One open key: its file, held open, read into a wxFileConfig that takes the values set on the key.
struct FileConfigRegistry::OpenKey {
    std::string target;
    wxFile file;
    struct stat info {};
    std::unique_ptr<wxFileConfig> config;
    std::string loaded; // the file as wxFileConfig saves it before any change
    // Names wxFileConfig, blind to case, would take for another case's: set in the saved text instead.
    std::map<std::string, std::string> pastConfig;

    // An existing regular file we may read and write; one without any write bit is left alone, by root too.
    LSTATUS load(const std::string& path) {
        target = trusted_target(path);
        file.Attach(open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        if (!file.IsOpened() || fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return target.empty() || (!file.IsOpened() && errno == EACCES) ? ERROR_ACCESS_DENIED
                                                                           : ERROR_FILE_NOT_FOUND;
        }
        if ((info.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
            return ERROR_ACCESS_DENIED;
        }
        std::string bytes(static_cast<std::size_t>(std::min(info.st_size, maxFileBytes + 1)), '\0');
        if (info.st_size > maxFileBytes || pread(file.fd(), bytes.data(), bytes.size(), 0) != info.st_size ||
            bytes.find('\0') != std::string::npos) {
            return ERROR_BADDB; // huge, or not text (UTF-16, binary): wxFileConfig would cut lines at a NUL
        }
        // Parsed through the descriptor: the very file checked above. wxFileConfig's own save stays off: it
        // deletes the file before renaming the new one in, and makes a link a plain file.
        config = std::make_unique<wxFileConfig>("", "", wxString::Format("/proc/self/fd/%d", file.fd()), "",
                                                wxCONFIG_USE_LOCAL_FILE, wxConvISO8859_1);
        config->DisableAutoSave();
        loaded = serialise(*config);
        return bytes.empty() || !loaded.empty() ? ERROR_SUCCESS : ERROR_CANTREAD;
    }

    // A new file renamed over the old one: a reader, or a kill at any moment, meets the old file or the new
    // one. It takes the old one's owner where allowed, permission bits, ACL and extended attributes.
    LSTATUS save(const std::string& bytes) {
        std::string temporary = target + ".XXXXXX";
        const wxFile out(mkostemp(temporary.data(), O_CLOEXEC));
        if (!out.IsOpened()) {
            return ERROR_CANTWRITE;
        }
        // Past the file-size limit SIGXFSZ would end the program; ignored, the write just comes up short.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        const bool complete =
            write(out.fd(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        std::signal(SIGXFSZ, previous);
        const bool written =
            complete && (fchown(out.fd(), info.st_uid, info.st_gid) == 0 || errno == EPERM) &&
            perm_copy_fd(target.c_str(), file.fd(), temporary.c_str(), out.fd(), nullptr) == 0 &&
            attr_copy_fd(target.c_str(), file.fd(), temporary.c_str(), out.fd(), nullptr, nullptr) == 0 &&
            fsync(out.fd()) == 0;
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
    if (result == nullptr || root != HKEY_CURRENT_USER) {
        return result == nullptr ? ERROR_INVALID_PARAMETER : ERROR_BADKEY;
    }
    const std::string file = subKey == nullptr ? "" : key_file(subKey);
    Quiet quiet;
    auto key = std::make_unique<OpenKey>();
    const LSTATUS status = file.empty() ? ERROR_FILE_NOT_FOUND : key->load(file);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<HKEY>(key.get()) : nullptr;
    if (status == ERROR_SUCCESS) {
        keys_.emplace(*result, std::move(key));
    }
    return status;
}

LSTATUS FileConfigRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                           const BYTE* data, DWORD dataSize) {
    const auto found = keys_.find(key);
    if (found == keys_.end() || reserved != 0 || type != REG_DWORD || dataSize != 4 || data == nullptr ||
        valueName == nullptr || !is_plain_name(valueName)) {
        return found == keys_.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER;
    }
    const DWORD number = DWORD{data[0]} | DWORD{data[1]} << 8 | DWORD{data[2]} << 16 | DWORD{data[3]} << 24;
    const wxString name = to_toolkit_text(valueName);
    const wxString value = wxString::Format("%u", number);
    Quiet quiet;
    wxFileConfig& config = *found->second->config;
    wxString entry;
    long index = 0;
    for (bool more = config.GetFirstEntry(entry, index); more; more = config.GetNextEntry(entry, index)) {
        if (entry.IsSameAs(name, false) && entry != name) {
            found->second->pastConfig[valueName] = from_toolkit_text(value);
            return ERROR_SUCCESS;
        }
    }
    // A frozen entry keeps its value, and wxFileConfig says nothing of it.
    return config.Write(name, value) && config.Read(name) == value ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS FileConfigRegistry::RegCloseKey(HKEY key) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    Quiet quiet;
    const std::unique_ptr<OpenKey> closed = std::move(found->second);
    keys_.erase(found);
    const std::string bytes = set_lines(serialise(*closed->config), closed->pastConfig);
    return bytes == closed->loaded ? ERROR_SUCCESS : closed->save(bytes);
}
