#include "platform/toolkit/program_icons.h"

#include <wx/icon.h>

namespace {

// The icon group of resources/varnel.rc, which also gives the program file its icon in the shell.
constexpr const char* kIconResource = "ICONE";

} // namespace

wxIconBundle program_icons() {
    return wxIconBundle(kIconResource, nullptr);
}
