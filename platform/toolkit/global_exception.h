// The one handler for exceptions that escape the program's event handlers.
#pragma once

#include <exception>
#include <stdexcept>

inline constexpr int kGlobalExceptionExitCode = 255;

// Reports the exception on standard error, headed by `caption` and `text` where given, and, when the
// program has a display, in a message box as well (started from the desktop, the user sees no terminal).
// Answers the exit status the program ends with.
int HandleGlobalException(const std::exception& error, const char* caption, const char* text);
