// The program's icon at every size it is drawn at, for the main frame.
#pragma once

#include <wx/iconbndl.h>

#include <cstddef>
#include <span>

struct EmbeddedPng {
    const unsigned char* data;
    std::size_t size;
};

// The PNG files of resources/icons/, built into the program.
std::span<const EmbeddedPng> program_icon_pngs();

// Every size of the icon, for the window manager to pick from (title bar, task switcher, dock).
wxIconBundle program_icons();
