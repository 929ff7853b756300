#include "platform/wave_in/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

void open_missing_standard_streams() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1) {
            continue;
        }
        // open() takes the lowest free number, which is this one: the lower ones are open by now.
        const int opened = open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != descriptor && opened >= 0) {
            close(opened);
        }
    }
}

bool standard_output_open() {
    return fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

bool standard_error_is_terminal() {
    return isatty(STDERR_FILENO) != 0;
}
