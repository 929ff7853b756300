// Writes the capture format into the user's settings store, for other programs to read.
#pragma once

#include "platform/settings/RegistryApi.h"
#include "platform/wave_in/wave_types.h"

inline constexpr const char* kSettingsKeyPath = "Software\\Ostrel\\PALVEX";

// Opens the existing key (never creates it) and writes the seven fields as 32-bit values. Nothing is
// reported: a key that cannot be opened means nothing is written, and a failing write does not stop the
// later ones.
void export_settings(const WAVEFORMATEX& format, RegistryApi& registry);
