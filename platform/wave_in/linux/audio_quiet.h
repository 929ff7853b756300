// Keeps the sound libraries from writing their own diagnostics to the terminal.
#pragma once

#include <functional>

// Routes alsa-lib's messages to nowhere and keeps opening JACK's device from starting a JACK server. Call
// it on the main thread before the first device is opened; only the first call does the work.
void quiet_audio_libraries();

// Runs `call` with file descriptor 2 held off: some device plugins (JACK's) print with plain fprintf,
// past every hook. Calls on several threads may overlap; fd 2 comes back when the last one ends. Anything
// another thread prints meanwhile is lost too, so only short device calls go through here. Sanitizer
// reports are the exception and still appear.
int run_with_stderr_held(const std::function<int()>& call);
