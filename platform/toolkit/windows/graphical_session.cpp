#include "platform/toolkit/graphical_session.h"

// A Windows program always starts in the user's desktop session.
bool graphical_session_named() {
    return true;
}

std::string graphical_session_problem() {
    return "the desktop could not be reached to open the window";
}
