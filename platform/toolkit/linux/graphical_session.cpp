#include "platform/toolkit/graphical_session.h"

#include <cstdlib>

namespace {

constexpr const char* kSessionVariables[] = {"DISPLAY", "WAYLAND_DISPLAY"};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// "DISPLAY=:1" and the like, for each session variable that is set.
std::string named_sessions() {
    std::string named;
    for (const char* name : kSessionVariables) {
        if (!variable(name).empty()) {
            named += (named.empty() ? "" : ", ") + std::string(name) + "=" + variable(name);
        }
    }
    return named;
}

} // namespace

bool graphical_session_named() {
    return !named_sessions().empty();
}

std::string graphical_session_problem() {
    if (!graphical_session_named()) {
        return "no graphical session to open the window in: neither DISPLAY nor WAYLAND_DISPLAY is set "
               "(start Varnel from a desktop session)";
    }
    return "the graphical session could not be reached (" + named_sessions() + ")";
}
