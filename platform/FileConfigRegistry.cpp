#include "platform/FileConfigRegistry.h"

#include "platform/atomic_file.h"
#include "platform/code_page_text.h"
#include "platform/config_paths.h"
#include "platform/config_text.h"

#include <wx/debug.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>

struct FileConfigRegistry::OpenKey {
    UserKeyLocation location;
};

namespace {

// Settings files are a few kilobytes; anything this big is not one, and is not loaded whole into memory.
constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;
constexpr std::chrono::milliseconds lockTimeout{5000};
// A link target can change between resolving it and taking its lock; then the lock is taken afresh.
constexpr int lockAttempts = 3;

LSTATUS to_lstatus(FileStatus status) {
    switch (status) {
    case FileStatus::Ok:
        return ERROR_SUCCESS;
    case FileStatus::NotFound:
        return ERROR_FILE_NOT_FOUND;
    case FileStatus::AccessDenied:
        return ERROR_ACCESS_DENIED;
    case FileStatus::TooLarge:
        return ERROR_BADDB;
    case FileStatus::ReadFailed:
        return ERROR_CANTREAD;
    case FileStatus::CannotCreate:
    case FileStatus::CannotReplace:
    case FileStatus::LockFailed:
        return ERROR_CANTWRITE;
    case FileStatus::WriteFailed:
        return ERROR_WRITE_FAULT;
    }
    return ERROR_CANTWRITE;
}

// wxFileConfig asserts on some odd but legal files (a group header repeated further down, for one), and
// an assertion in the GUI program is a dialog. Nothing from this path may reach the user, so assertions
// are off while a registry call runs; the count keeps overlapping calls from different threads from
// restoring the handler early.
class QuietWx {
public:
    QuietWx() {
        std::lock_guard lock(mutex());
        if (depth()++ == 0) {
            saved() = wxSetAssertHandler(nullptr);
        }
    }
    ~QuietWx() {
        std::lock_guard lock(mutex());
        if (--depth() == 0) {
            wxSetAssertHandler(saved());
        }
    }
    QuietWx(const QuietWx&) = delete;
    QuietWx& operator=(const QuietWx&) = delete;

private:
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
    static int& depth() {
        static int instance = 0;
        return instance;
    }
    static wxAssertHandler_t& saved() {
        static wxAssertHandler_t instance = nullptr;
        return instance;
    }

    wxLogNull noLog_;
};

// A NUL byte is what marks a file as not text (UTF-16, binary): the parser would cut lines at it and
// writing it back would lose data, so such a file is left alone.
bool is_text(std::string_view bytes) {
    return bytes.find('\0') == std::string_view::npos;
}

std::unique_ptr<wxFileConfig> parse(const ConfigText& text) {
    const std::string input = parser_input(text);
    wxMemoryInputStream stream(input.data(), input.size());
    // Bytes are characters one to one, both ways: text in any encoding, valid UTF-8 or not, goes through the
    // parser and back out unchanged, and names match the file byte for byte.
    auto config = std::make_unique<wxFileConfig>(stream, wxConvISO8859_1);
    // The file's values are data here; "$HOME" in one must stay "$HOME".
    config->SetExpandEnvVars(false);
    return config;
}

std::string serialise(wxFileConfig& config) {
    wxMemoryOutputStream stream;
    if (!config.Save(stream, wxConvISO8859_1)) {
        return {};
    }
    std::string bytes(stream.GetLength(), '\0');
    stream.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// Names that a plain wxFileConfig reader gets back exactly. A '/' would be a path, a leading '!' marks
// an entry wxFileConfig refuses to change, control characters break the line, and wxFileConfig escapes
// non-alphanumeric bytes one by one, which would split a UTF-8 sequence apart.
bool is_storable_name(std::string_view name) {
    if (name.empty() || name.front() == '!' || name.front() == ' ' || name.back() == ' ') {
        return false;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '/') {
            return false;
        }
    }
    return true;
}

LSTATUS load(const std::string& file, ConfigText& text) {
    std::string bytes;
    if (const FileStatus status = read_regular_file(file, maxFileBytes, bytes); status != FileStatus::Ok) {
        return to_lstatus(status);
    }
    if (!is_text(bytes)) {
        return ERROR_BADDB;
    }
    text = split_config_text(bytes);
    return ERROR_SUCCESS;
}

bool has_group(wxFileConfig& config, const std::string& group) {
    return group.empty() || config.HasGroup(to_toolkit_text(group));
}

// One value written into the file at `target`, whose lock the caller holds.
LSTATUS write_value_locked(const std::string& target, const std::string& group, const std::string& name,
                           const std::string& value) {
    ConfigText original;
    if (const LSTATUS status = load(target, original); status != ERROR_SUCCESS) {
        return status;
    }
    std::unique_ptr<wxFileConfig> config = parse(original);
    if (!has_group(*config, group)) {
        return ERROR_FILE_NOT_FOUND;
    }
    config->SetPath(group.empty() ? wxString("/") : to_toolkit_text(group));
    wxString current;
    const bool stored = config->Read(to_toolkit_text(name), &current);
    if (stored && current == to_toolkit_text(value)) {
        return ERROR_SUCCESS;
    }
    if (const FileStatus status = check_writable(target); status != FileStatus::Ok) {
        return to_lstatus(status);
    }
    if (!config->Write(to_toolkit_text(name), to_toolkit_text(value))) {
        return ERROR_CANTWRITE;
    }
    const std::optional<ConfigText> edited =
        apply_single_line_edit(original, serialise(*config), stored ? LineEdit::Replace : LineEdit::Insert);
    if (!edited) {
        return ERROR_BADDB;
    }
    const std::string bytes = config_text_bytes(*edited);

    // Whatever the file held, only what reads back as the value is written: this is what the other
    // program's wxFileConfig will see.
    std::unique_ptr<wxFileConfig> check = parse(split_config_text(bytes));
    check->SetPath(group.empty() ? wxString("/") : to_toolkit_text(group));
    wxString written;
    if (!check->Read(to_toolkit_text(name), &written) || written != to_toolkit_text(value)) {
        return ERROR_BADDB;
    }
    return to_lstatus(replace_file_atomically(target, bytes));
}

LSTATUS write_value(const UserKeyLocation& location, const std::string& name, const std::string& value) {
    for (int attempt = 0; attempt < lockAttempts; ++attempt) {
        const std::optional<std::string> target = resolve_file_links(location.file);
        if (!target) {
            return ERROR_FILE_NOT_FOUND;
        }
        int lockFd = -1;
        if (const FileStatus status = acquire_lock(*target, lockTimeout, lockFd); status != FileStatus::Ok) {
            return to_lstatus(status);
        }
        if (resolve_file_links(location.file) != target) {
            release_lock(lockFd);
            continue;
        }
        LSTATUS status = ERROR_SUCCESS;
        try {
            status = write_value_locked(*target, location.group, name, value);
        } catch (const std::bad_alloc&) {
            status = ERROR_NOT_ENOUGH_MEMORY;
        }
        release_lock(lockFd);
        return status;
    }
    return ERROR_CANTWRITE;
}

} // namespace

FileConfigRegistry::FileConfigRegistry() = default;

FileConfigRegistry::~FileConfigRegistry() = default;

LSTATUS FileConfigRegistry::RegOpenKeyExA(HKEY root, const char* subKey, DWORD /*options*/, REGSAM /*access*/,
                                          HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    if (root != HKEY_CURRENT_USER) {
        return ERROR_BADKEY;
    }
    if (subKey == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    try {
        const std::optional<std::string> home = user_config_home();
        if (!home) {
            return ERROR_FILE_NOT_FOUND;
        }
        std::optional<UserKeyLocation> location = user_key_location(*home, subKey);
        if (!location) {
            return ERROR_FILE_NOT_FOUND;
        }
        // Read (not only looked at) now, so that a file we could never write back is reported here.
        ConfigText text;
        if (const LSTATUS status = load(location->file, text); status != ERROR_SUCCESS) {
            return status;
        }
        if (!location->group.empty()) {
            QuietWx quiet;
            if (!has_group(*parse(text), location->group)) {
                return ERROR_FILE_NOT_FOUND;
            }
        }
        auto key = std::make_unique<OpenKey>(OpenKey{std::move(*location)});
        const HKEY handle = reinterpret_cast<HKEY>(key.get());
        std::lock_guard lock(mutex_);
        keys_.emplace(handle, std::move(key));
        *result = handle;
        return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS FileConfigRegistry::RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                           const BYTE* data, DWORD dataSize) {
    UserKeyLocation location;
    try {
        std::lock_guard lock(mutex_);
        const auto found = keys_.find(key);
        if (found == keys_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        location = found->second->location;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (reserved != 0 || type != REG_DWORD || dataSize != 4 || data == nullptr || valueName == nullptr ||
        !is_storable_name(valueName)) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::uint32_t value =
        static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
        static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    try {
        QuietWx quiet;
        return write_value(location, valueName, std::to_string(value));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS FileConfigRegistry::RegCloseKey(HKEY key) {
    std::unique_ptr<OpenKey> closed;
    std::lock_guard lock(mutex_);
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    closed = std::move(found->second);
    keys_.erase(found);
    return ERROR_SUCCESS;
}
