#include "platform/wave_in/linux/audio_quiet.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

void ignore_jack_message(const char*) {}

// The audio library links JACK itself and ALSA's jack device loads it too; both print through the same
// process-wide hooks, so setting them once here covers every path. Loading the library ourselves when
// nobody has yet means a later load by a device probe finds the hooks already set.
void quiet_jack() {
    void* jack = dlopen("libjack.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (jack == nullptr)
        jack = dlopen("libjack.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (jack == nullptr)
        return;
    using SetMessageFunction = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (void* symbol = dlsym(jack, name))
            reinterpret_cast<SetMessageFunction>(symbol)(ignore_jack_message);
    }
    // The handle is never closed: the hooks must stay set for as long as anything may load the library.
}

// A sanitizer report raised while the output was muted is about our own build, not device chatter, and
// must not vanish with it.
void pass_sanitizer_reports_on(int capture) {
    std::string text;
    char chunk[4096];
    lseek(capture, 0, SEEK_SET);
    for (ssize_t got; (got = read(capture, chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    if (text.find("Sanitizer") == std::string::npos)
        return;
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t put = write(STDERR_FILENO, text.data() + written, text.size() - written);
        if (put <= 0)
            return;
        written += static_cast<std::size_t>(put);
    }
}

} // namespace

void quiet_audio_libraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(ignore_alsa_message);
        // A user who wants a server started on demand has said so explicitly; otherwise merely looking
        // for capture devices must not launch one.
        setenv("JACK_NO_START_SERVER", "1", 0);
        quiet_jack();
    });
}

void run_with_stderr_muted(const std::function<void()>& work) {
    std::fflush(stderr);
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int sink = memfd_create("muted-stderr", MFD_CLOEXEC);
    const bool muted = saved >= 0 && sink >= 0 && dup2(sink, STDERR_FILENO) >= 0;
    auto restore = [&] {
        if (muted) {
            std::fflush(stderr);
            dup2(saved, STDERR_FILENO);
            pass_sanitizer_reports_on(sink);
        }
        if (saved >= 0)
            close(saved);
        if (sink >= 0)
            close(sink);
    };
    try {
        work();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
