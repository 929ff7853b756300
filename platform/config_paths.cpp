#include "platform/config_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

bool is_absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::optional<std::string> home_folder() {
    if (const char* home = std::getenv("HOME"); is_absolute(home)) {
        return std::string(home);
    }
    // Services and some launchers start programs without HOME; the password database still knows it.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        is_absolute(found->pw_dir)) {
        return std::string(found->pw_dir);
    }
    return std::nullopt;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Components become file names and wxConfig path parts, where '/', "." and ".." mean something else.
bool is_plain_component(std::string_view component) {
    return !component.empty() && component != "." && component != ".." &&
           component.find('/') == std::string_view::npos;
}

} // namespace

std::optional<std::string> user_config_home() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); is_absolute(xdg)) {
        return std::string(xdg);
    }
    std::optional<std::string> home = home_folder();
    if (!home) {
        return std::nullopt;
    }
    if (home->size() > 1 && home->back() == '/') {
        home->pop_back();
    }
    return *home == "/" ? std::string("/.config") : *home + "/.config";
}

std::optional<UserKeyLocation> user_key_location(std::string_view configHome, std::string_view subKey) {
    std::vector<std::string_view> components;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = subKey.find('\\', start);
        components.push_back(subKey.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (components.size() < 3 || !equals_ignoring_ascii_case(components[0], "Software")) {
        return std::nullopt;
    }
    for (std::string_view component : components) {
        if (!is_plain_component(component)) {
            return std::nullopt;
        }
    }
    // NAME_MAX: a longer name could never exist, so the key cannot either.
    constexpr std::size_t maxFileName = 255;
    constexpr std::string_view suffix = ".conf";
    if (components[1].size() > maxFileName || components[2].size() + suffix.size() > maxFileName) {
        return std::nullopt;
    }

    UserKeyLocation location;
    location.file.assign(configHome);
    if (location.file.empty() || location.file.back() != '/') {
        location.file += '/';
    }
    location.file.append(components[1]).append("/").append(components[2]).append(suffix);
    for (std::size_t i = 3; i < components.size(); ++i) {
        location.group.append("/").append(components[i]);
    }
    return location;
}
