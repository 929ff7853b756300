#include "probe/probe_output.h"

#include <cerrno>
#include <cstring>

std::optional<std::string> write_output(std::FILE* out, std::string_view text, bool open) {
    if (!open) {
        return text.empty() ? std::nullopt : std::optional<std::string>(std::strerror(EBADF));
    }
    // The first failure's reason: the close, for one, also fails once a write has.
    errno = 0;
    const bool written =
        std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(out) == 0;
    if (written && closed) {
        return std::nullopt;
    }
    return std::strerror(written ? errno : writeError);
}
