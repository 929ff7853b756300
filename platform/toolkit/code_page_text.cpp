#include "platform/toolkit/code_page_text.h"

wxString to_toolkit_text(std::string_view text) {
    return wxString(text.data(), wxConvISO8859_1, text.size());
}

std::string from_toolkit_text(const wxString& text) {
    return text.ToStdString(wxConvISO8859_1);
}

std::string to_utf8(std::string_view text) {
    return std::string(to_toolkit_text(text).utf8_str());
}
