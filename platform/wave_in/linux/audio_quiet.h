// Keeps the sound libraries from writing their own diagnostics to the terminal.
#pragma once

#include <functional>

// Routes ALSA's and JACK's messages to nowhere and stops device probing from starting a JACK server.
// Probing every configured device is normal for the audio library, and on a machine without a sound
// server each failed probe would otherwise print lines the user cannot act on. Safe to call repeatedly;
// only the first call does the work. Call it before the audio library initialises.
void quiet_audio_libraries();

// Runs `work` with the process's standard error discarded. The audio library prints its own diagnostics
// with plain fprintf, past every hook, when a device fails it; this is for the short calls that open,
// start, stop and close a stream only, as anything another thread prints meanwhile is lost too.
// Sanitizer reports are the exception and still appear.
void run_with_stderr_muted(const std::function<void()>& work);
