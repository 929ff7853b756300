// One settings file, read whole when its key is opened and replaced whole when the key is closed.
#pragma once

#include "platform/settings/RegistryApi.h"

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

class SettingsFile {
public:
    SettingsFile() = default;
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // An existing regular file that we may read and write, reached through links that are ours or root's.
    // One without any write bit is left alone, by root too; one that is not text is not taken, and says so.
    LSTATUS open(const std::string& path);
    const std::string& contents() const { return contents_; }

    // A new file beside the old one, synced and renamed over it: a reader, or a kill at any moment, meets
    // the old contents or the new ones. It takes the old one's owner and group, its mode (setuid and setgid
    // bits included), ACL and extended attributes. Where no such copy can take the file's place, the file
    // is written in place: it has other hard links, which would keep the old contents; it is another
    // user's or of a group we are not in; its folder takes no new file; or it is a mount point of its own,
    // as containers bind-mount files. A write that fails leaves the old contents and says so on standard
    // error.
    LSTATUS replace(const std::string& bytes);

    // Temporaries of this user that an earlier replace left behind when it was killed before its rename.
    void removeStaleTemporaries() const;

    // One line on standard error: the file is left as it is and the values are not saved in it, and why.
    void reportLeftAlone(std::string_view reason) const;

private:
    LSTATUS replaceOrWriteInPlace(const std::string& bytes) const;
    std::optional<LSTATUS> replaceByRename(const std::string& bytes) const;
    LSTATUS writeInPlace(const std::string& bytes) const;

    std::string target_;
    int descriptor_ = -1;
    struct stat info_ {};
    std::string contents_;
};
