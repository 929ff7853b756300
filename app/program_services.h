// The real capture device and settings store the program works through.
#pragma once

#include "panel/PanelServices.h"

// Made on first use and kept until the program ends.
PanelServices program_services();

// Starts the audio library behind the capture device now, off the window's thread, so that the first TEST
// does not wait for its device probing.
void start_audio_in_background();
