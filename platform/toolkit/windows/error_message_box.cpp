#include "platform/toolkit/error_message_box.h"

#include "platform/toolkit/code_page_text.h"

#include <wx/app.h>

// After the toolkit's headers, whose names the system header's macros would rename.
#include <windows.h>

// A Windows program always has its desktop: the toolkit being up is all a box needs.
bool error_message_box_possible() {
    return wxTheApp != nullptr;
}

// The system's own message box: it needs nothing of the toolkit, which may be what failed.
void show_error_message_box(const std::string& caption, const std::string& message) {
    ::MessageBoxW(nullptr, to_toolkit_text(message).wc_str(), to_toolkit_text(caption).wc_str(),
                  MB_OK | MB_ICONERROR);
}
