// Why the system's capture device cannot be had, asked of ALSA directly.
#pragma once

#include <string>

// Opens and closes the capture side of the ALSA device `pcmName` without waiting: 0 when that works, the
// negative error number otherwise (-EHOSTDOWN or -ECONNREFUSED for a sound server that is not running,
// -EBUSY for a device in use). The audio library only says that a device it lists is missing, not why.
int try_alsa_capture_open(const std::string& pcmName);

