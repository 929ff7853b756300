#include "platform/global_exception.h"

#include <cstdio>

int HandleGlobalException(const std::exception& error, const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s%s%s\n", caption != nullptr ? caption : "Varnel", text != nullptr ? text : "",
                 text != nullptr ? ": " : "", error.what());
    std::fprintf(stderr, "%s: exiting with status %d\n", caption != nullptr ? caption : "Varnel",
                 kGlobalExceptionExitCode);
    return kGlobalExceptionExitCode;
}
