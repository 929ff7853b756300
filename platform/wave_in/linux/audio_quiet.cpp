#include "platform/wave_in/linux/audio_quiet.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

// The descriptors of the one hold that overlapping calls share; never destroyed, since a device thread
// may still use them while the program exits.
struct StderrHold {
    std::mutex mutex;
    int holders = 0;
    int saved = -1;
    int sink = -1;
};

StderrHold& stderr_hold() {
    static auto* const kHold = new StderrHold;
    return *kHold;
}

// A sanitizer report raised while fd 2 was held off is about our own build, not device chatter.
void pass_sanitizer_reports_on(int sink) {
    std::string text(static_cast<std::size_t>(std::max<off_t>(lseek(sink, 0, SEEK_END), 0)), '\0');
    if (pread(sink, text.data(), text.size(), 0) > 0 && text.find("Sanitizer") != std::string::npos) {
        (void)!write(STDERR_FILENO, text.data(), text.size());
    }
}

void hold_stderr() {
    StderrHold& hold = stderr_hold();
    const std::lock_guard lock(hold.mutex);
    if (hold.holders++ > 0) {
        return;
    }
    std::fflush(stderr);
    hold.saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    hold.sink = memfd_create("held-stderr", MFD_CLOEXEC);
    if (hold.saved >= 0 && hold.sink >= 0) {
        dup2(hold.sink, STDERR_FILENO);
    }
}

void release_stderr() {
    StderrHold& hold = stderr_hold();
    const std::lock_guard lock(hold.mutex);
    if (--hold.holders > 0) {
        return;
    }
    std::fflush(stderr);
    if (hold.saved >= 0 && hold.sink >= 0) {
        dup2(hold.saved, STDERR_FILENO);
        pass_sanitizer_reports_on(hold.sink);
    }
    for (int* descriptor : {&hold.saved, &hold.sink}) {
        if (*descriptor >= 0) {
            close(*descriptor);
        }
        *descriptor = -1;
    }
}

} // namespace

void quiet_audio_libraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(ignore_alsa_message);
        // A user who wants a JACK server started on demand says so; opening a device must not launch one.
        setenv("JACK_NO_START_SERVER", "1", 0);
    });
}

int run_with_stderr_held(const std::function<int()>& call) {
    hold_stderr();
    struct Release {
        ~Release() { release_stderr(); }
    } release;
    return call();
}
