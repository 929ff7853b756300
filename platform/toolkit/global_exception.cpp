#include "platform/toolkit/global_exception.h"

#include "platform/toolkit/error_message_box.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kDefaultCaption = "Varnel";

} // namespace

int HandleGlobalException(const std::exception& error, const char* caption, const char* text) {
    const std::string heading = caption != nullptr ? caption : kDefaultCaption;
    const std::string message = (text != nullptr ? std::string(text) + ": " : std::string()) + error.what();
    std::fprintf(stderr, "%s: %s\n", heading.c_str(), message.c_str());
    std::fprintf(stderr, "%s: exiting with status %d\n", heading.c_str(), kGlobalExceptionExitCode);
    if (error_message_box_possible()) {
        show_error_message_box(heading, message);
    }
    return kGlobalExceptionExitCode;
}
