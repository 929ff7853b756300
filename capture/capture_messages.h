// The fixed texts that report a capture run's device results, the same wherever a run is reported.
#pragma once

#include "platform/wave_in/wave_types.h"

#include <string_view>

// What the open request's result means; only its low 16 bits count. The success text carries the blanks
// that cover a longer message drawn at its place before.
std::string_view open_message(MMRESULT result);

// What the queueing request's result means, compared in full: any result outside the table is a failure,
// never a success.
std::string_view buffer_message(MMRESULT result);
