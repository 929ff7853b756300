// The program's texts are 8-bit, in ISO-8859-1 whatever the system's locale: every byte stands for one
// character, both ways between the program and the toolkit.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

wxString to_toolkit_text(std::string_view text);
std::string from_toolkit_text(const wxString& text);
// The text in UTF-8, for the libraries under the toolkit.
std::string to_utf8(std::string_view text);
