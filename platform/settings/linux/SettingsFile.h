// One settings file, read whole when its key is opened and replaced whole when the key is closed.
#pragma once

#include "platform/settings/RegistryApi.h"

#include <sys/stat.h>

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
    // the old contents or the new ones. It takes the old one's owner where allowed, its mode (setuid and
    // setgid bits included, where allowed), ACL and extended attributes. A file that cannot be replaced
    // (a mount point of its own, as containers bind-mount files) is written in place instead.
    LSTATUS replace(const std::string& bytes);

    // Temporaries of this user that an earlier replace left behind when it was killed before its rename.
    void removeStaleTemporaries() const;

    // One line on standard error: the file is left as it is and the values are not saved in it, and why.
    void reportLeftAlone(std::string_view reason) const;

private:
    LSTATUS writeInPlace(const std::string& bytes) const;

    std::string target_;
    int descriptor_ = -1;
    struct stat info_ {};
    std::string contents_;
};
