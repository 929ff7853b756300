// A look at an ALSA capture device before the audio library opens it.
#pragma once

#include <string>

// Opens and closes the capture side of the ALSA device `pcmName` without waiting: 0 when that works, the
// negative error number otherwise (-EHOSTDOWN or -ECONNREFUSED for a sound server that is not running,
// -EBUSY for a device in use). The audio library prints its own diagnostics when an open fails, so a
// device that cannot be opened is best found here, quietly.
int try_alsa_capture_open(const std::string& pcmName);

// The ALSA device behind an audio-library device name: hardware devices are listed as
// "card: description (hw:0,0)", every other device by its own ALSA name.
std::string alsa_pcm_name(const std::string& libraryDeviceName);
