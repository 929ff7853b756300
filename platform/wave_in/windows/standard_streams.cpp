#include "platform/wave_in/standard_streams.h"

#include <io.h>

#include <cstdio>
#include <initializer_list>

namespace {

// A program of the window subsystem starts without standard streams unless its starter handed it some.
bool stream_open(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    return descriptor >= 0 && _get_osfhandle(descriptor) >= 0;
}

} // namespace

void open_missing_standard_streams() {
    struct Stream {
        std::FILE* stream;
        const char* mode;
    };
    for (const Stream& standard : {Stream{stdin, "r"}, Stream{stdout, "w"}, Stream{stderr, "w"}}) {
        if (!stream_open(standard.stream)) {
            // "NUL" is the system's empty device, as /dev/null elsewhere.
            std::freopen("NUL", standard.mode, standard.stream);
        }
    }
}

bool standard_output_open() {
    return stream_open(stdout);
}

bool standard_error_is_terminal() {
    return _isatty(_fileno(stderr)) != 0;
}
