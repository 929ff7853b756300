// The PNG files of resources/icons/, built into the program, so that the window shows its icon wherever the
// program runs from, installed or straight from the build folder.
#pragma once

#include <cstddef>
#include <span>

struct EmbeddedPng {
    const unsigned char* data;
    std::size_t size;
};

std::span<const EmbeddedPng> program_icon_pngs();
