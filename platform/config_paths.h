// Where a per-user registry key lives on disk: HKEY_CURRENT_USER\Software\<Org>\<App> is the settings file
// <config home>/<Org>/<App>.conf, and any deeper components are groups inside that file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or relative (the base-directory convention says a
// relative value is to be ignored, not resolved against whatever the working directory happens to be).
// Empty when no home folder can be found at all.
std::optional<std::string> user_config_home();

struct UserKeyLocation {
    std::string file;
    // wxConfig path of the key's group: "" for the file's top level, else e.g. "/Sub/Deeper".
    std::string group;
};

// Maps "Software\<Org>\<App>[\<Sub>...]" onto a settings file below `configHome`. Empty for anything that
// could step outside that folder or is ambiguous as a path: an empty, "." or ".." component, a '/' in a
// component, or a first component other than "Software".
std::optional<UserKeyLocation> user_key_location(std::string_view configHome, std::string_view subKey);
