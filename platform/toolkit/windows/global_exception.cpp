#include "platform/toolkit/global_exception.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/app.h>

#include <cstdio>
#include <string>

// After the toolkit's headers, whose names the system header's macros would rename.
#include <windows.h>

namespace {

constexpr const char* kDefaultCaption = "Varnel";

// The system's own message box: it needs nothing of the toolkit, which may be what failed.
void show_message_box(const std::string& caption, const std::string& message) {
    ::MessageBoxW(nullptr, to_toolkit_text(message).wc_str(), to_toolkit_text(caption).wc_str(),
                  MB_OK | MB_ICONERROR);
}

} // namespace

int HandleGlobalException(const std::exception& error, const char* caption, const char* text) {
    const std::string heading = caption != nullptr ? caption : kDefaultCaption;
    const std::string message = (text != nullptr ? std::string(text) + ": " : std::string()) + error.what();
    std::fprintf(stderr, "%s: %s\n", heading.c_str(), message.c_str());
    std::fprintf(stderr, "%s: exiting with status %d\n", heading.c_str(), kGlobalExceptionExitCode);
    // Started from the desktop, the user sees no terminal: the window program says it in a box too.
    if (wxTheApp != nullptr) {
        show_message_box(heading, message);
    }
    return kGlobalExceptionExitCode;
}
