#include "platform/toolkit/global_exception.h"

#include "platform/toolkit/code_page_text.h"

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/msgdlg.h>

#include <cstdio>
#include <string>

namespace {

constexpr const char* kDefaultCaption = "Varnel";

// The toolkit is up and its display open: a message box can be shown.
bool display_is_open() {
    return wxTheApp != nullptr && gdk_display_get_default() != nullptr;
}

void show_message_box(const std::string& caption, const std::string& message) {
    wxMessageDialog box(nullptr, to_toolkit_text(message), to_toolkit_text(caption), wxOK | wxICON_ERROR);
    box.ShowModal();
}

} // namespace

int HandleGlobalException(const std::exception& error, const char* caption, const char* text) {
    const std::string heading = caption != nullptr ? caption : kDefaultCaption;
    const std::string message = (text != nullptr ? std::string(text) + ": " : std::string()) + error.what();
    std::fprintf(stderr, "%s: %s\n", heading.c_str(), message.c_str());
    std::fprintf(stderr, "%s: exiting with status %d\n", heading.c_str(), kGlobalExceptionExitCode);
    if (display_is_open()) {
        show_message_box(heading, message);
    }
    return kGlobalExceptionExitCode;
}
