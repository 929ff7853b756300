// How long a TEST press blocks the window when it records through a sound server, per format, beside the
// audio duration of the buffer and beside arecord capturing the same bytes from the same server, through
// both of ALSA's plugins for it (PipeWire's, and the pulse plugin over pipewire-pulse); the CPU time the
// window's thread spends in a press and how often it wakes; where the time goes (open, start, first data,
// last byte, teardown); the shared libraries and memory a press adds to the window's process; and how long
// a press lasts whose server is stopped under it. Starts its own private PipeWire session; needs an X
// display (xvfb-run).
// Run: build/bench/varnel_sound_server_bench [presses per format, default 15]
#include "bench_window.h"
#include "capture/CaptureRun.h"
#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "platform/drawing/ClientDCTarget.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/SoundServerSession.h"

#include <sys/resource.h>
#include <wx/app.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double min, median, max;
};

Figures figures(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The CPU time and the voluntary context switches (each one a sleep that ended in a wake-up) of the
// calling thread so far.
struct ThreadCost {
    double cpuMs = 0;
    long wakeUps = 0;
};

ThreadCost thread_cost(int who = RUSAGE_THREAD) {
    rusage usage{};
    getrusage(who, &usage);
    return {(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0,
            usage.ru_nvcsw};
}

// arecord as its own process, recording the frames a press records, with the same device and format.
double arecord_milliseconds(const WAVEFORMATEX& format) {
    const unsigned frames = kCaptureLength / format.nBlockAlign;
    const std::string command =
        "arecord -q -D default -t raw -f " + std::string(format.wBitsPerSample == 8 ? "U8" : "S16_LE") +
        " -r " + std::to_string(format.nSamplesPerSec) + " -c " + std::to_string(format.nChannels) + " -s " +
        std::to_string(frames) + " >/dev/null 2>&1";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return milliseconds_since(start);
}

std::string label(const WAVEFORMATEX& format) {
    char text[32];
    std::snprintf(text, sizeof text, "%5u Hz %2u-bit %u ch", unsigned{format.nSamplesPerSec},
                  unsigned{format.wBitsPerSample}, unsigned{format.nChannels});
    return text;
}

double audio_milliseconds(const WAVEFORMATEX& format) {
    return 1000.0 * kCaptureLength / format.nAvgBytesPerSec;
}

// The shared objects mapped into this process, and its resident memory in kB.
std::set<std::string> mapped_libraries() {
    std::set<std::string> libraries;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        const std::size_t path = line.find('/');
        if (path != std::string::npos && line.find(".so", path) != std::string::npos)
            libraries.insert(line.substr(path));
    }
    return libraries;
}

long resident_kilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Before any capture the process is the bare window; the first press loads what capturing needs.
void footprint_of_a_press(AlsaWaveIn& device, ClientDCTarget& window) {
    const std::set<std::string> bare = mapped_libraries();
    const long bareRss = resident_kilobytes();
    CaptureBuffer buffer{};
    CaptureSession session;
    run_capture_test(device, window, pcm_format(44100, 16, 2), buffer, session);
    wxTheApp->Yield(true);
    const std::set<std::string> after = mapped_libraries();
    std::string added;
    for (const std::string& library : after) {
        if (!bare.contains(library))
            added += " " + library.substr(library.rfind('/') + 1);
    }
    std::printf("shared libraries: bare window %zu, after a press %zu (+%zu:%s)\n", bare.size(), after.size(),
                after.size() - bare.size(), added.c_str());
    std::printf("resident memory: bare window %ld kB, after a press %ld kB (x %.3f)\n\n", bareRss,
                resident_kilobytes(), double(resident_kilobytes()) / bareRss);
}

// The steps of the press without the window, each timed from the open request.
void breakdown(AlsaWaveIn& device, int presses) {
    std::printf("%-22s %9s %21s %21s %21s %21s %10s\n", "median ms from open", "audio", "opened", "started",
                "first data", "last byte", "torn down");
    for (const WAVEFORMATEX& format : window_pcm_formats()) {
        std::vector<double> opened, started, first, last, down;
        for (int i = 0; i < presses; ++i) {
            auto buffer = std::make_unique<CaptureByte[]>(kCaptureLength);
            CaptureSession session;
            const auto start = Clock::now();
            {
                CaptureRun run(device, session, format, buffer.get(), kCaptureLength);
                run.open();
                run.queue();
                opened.push_back(milliseconds_since(start));
                run.start();
                started.push_back(milliseconds_since(start));
                run.delivery().awaitBytes(1);
                first.push_back(milliseconds_since(start));
                run.delivery().awaitBytes(kCaptureLength / format.nBlockAlign * format.nBlockAlign);
                last.push_back(milliseconds_since(start));
            }
            down.push_back(milliseconds_since(start));
        }
        auto median = [](std::vector<double> v) { return figures(std::move(v)).median; };
        std::printf("%-22s %9.1f %21.1f %21.1f %21.1f %21.1f %10.1f\n", label(format).c_str(),
                    audio_milliseconds(format), median(opened), median(started), median(first), median(last),
                    median(down));
    }
    std::printf("\n");
}

// Presses whose server is stopped (SIGSTOP) before the press, or once the press has its first data, or
// killed then (SIGKILL, and started again after): each bounded by the deadline plus 50 ms.
void faulty_server(SoundServerSession& server, AlsaWaveIn& device, ClientDCTarget& window) {
    const WAVEFORMATEX format = pcm_format(11025, 8, 1);
    CaptureBuffer buffer{};
    CaptureSession session;
    enum class Fault { stoppedBefore, stoppedDuring, killedDuring };
    for (const Fault fault : {Fault::stoppedBefore, Fault::stoppedDuring, Fault::killedDuring}) {
        std::vector<double> press, cpu;
        for (int i = 0; i < 5; ++i) {
            session.header.dwBytesRecorded.store(0);
            if (fault == Fault::stoppedBefore)
                server.suspendServer();
            std::jthread fail([&](std::stop_token stop) {
                while (fault != Fault::stoppedBefore && !stop.stop_requested() &&
                       session.header.dwBytesRecorded.load() == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                if (fault == Fault::stoppedDuring)
                    server.suspendServer();
                if (fault == Fault::killedDuring)
                    server.killServer();
            });
            const ThreadCost before = thread_cost(RUSAGE_SELF);
            const auto start = Clock::now();
            run_capture_test(device, window, format, buffer, session);
            press.push_back(milliseconds_since(start));
            cpu.push_back(thread_cost(RUSAGE_SELF).cpuMs - before.cpuMs);
            fail.request_stop();
            fail.join();
            if (fault == Fault::killedDuring)
                server.startServer();
            else
                server.resumeServer();
            wxTheApp->Yield(true);
        }
        const Figures p = figures(press);
        const char* what[] = {"stopped before", "stopped during", "killed during"};
        std::printf("server %s the press, %s: %.1f/%.1f/%.1f ms min/median/max, process CPU at most %.1f ms; "
                    "deadline + 50 ms = %.1f\n",
                    what[static_cast<int>(fault)], label(format).c_str(), p.min, p.median, p.max,
                    figures(cpu).max, audio_milliseconds(format) + 1000 + 50);
    }
    std::printf("\n");
}

// Per format, through each plugin: the press beside arecord, and what the press costs the window's thread.
void presses_beside_arecord(SoundServerSession& server, AlsaWaveIn& device, ClientDCTarget& window,
                            int presses) {
    CaptureBuffer buffer{};
    CaptureSession session;
    std::printf("%-9s %-22s %8s %23s %23s %6s %9s %9s %9s\n", "plugin", "format", "audio ms",
                "press ms min/med/max", "arecord ms min/med/max", "bytes", "window ms", "wake-ups",
                "verdict");
    for (const char* plugin : {"pipewire", "pulse"}) {
        server.usePlugin(plugin);
        for (const WAVEFORMATEX& format : window_pcm_formats()) {
            const double audio = audio_milliseconds(format);
            std::vector<double> press, arecord, windowCpu, wakeUps;
            std::uint32_t fewest = kCaptureLength;
            for (int i = 0; i < presses; ++i) {
                const ThreadCost before = thread_cost();
                const auto start = Clock::now();
                run_capture_test(device, window, format, buffer, session);
                press.push_back(milliseconds_since(start));
                const ThreadCost after = thread_cost();
                windowCpu.push_back(after.cpuMs - before.cpuMs);
                wakeUps.push_back(static_cast<double>(after.wakeUps - before.wakeUps));
                fewest = std::min(fewest, session.header.dwBytesRecorded.load());
                wxTheApp->Yield(true);
                arecord.push_back(arecord_milliseconds(format));
            }
            const Figures p = figures(press);
            const Figures a = figures(arecord);
            const bool onTarget =
                p.median <= audio + 40 && p.median <= a.median && p.max <= audio + 1000 + 50;
            std::printf("%-9s %-22s %8.1f %7.1f/%7.1f/%7.1f %7.1f/%7.1f/%7.1f %6u %9.2f %9.0f %9s\n", plugin,
                        label(format).c_str(), audio, p.min, p.median, p.max, a.min, a.median, a.max, fewest,
                        figures(windowCpu).median, figures(wakeUps).median, onTarget ? "on target" : "OVER");
            std::fflush(stdout);
        }
    }
    server.usePlugin("pipewire");
    std::printf(
        "target: median press <= audio + 40 ms and <= arecord's median, every press <= audio + 1000 + 50 "
        "ms; bytes: the fewest recorded by any press; window ms and wake-ups: the median press's CPU time "
        "and voluntary context switches of the window's thread\n");
}

void bench(SoundServerSession& server, wxPanel* panel, int presses) {
    AlsaWaveIn device;
    ClientDCTarget window(panel);
    footprint_of_a_press(device, window);
    breakdown(device, presses);
    faulty_server(server, device, window);
    presses_beside_arecord(server, device, window, presses);
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    SoundServerSession session;
    if (!session.unavailable().empty()) {
        std::fprintf(stderr, "%s\n", session.unavailable().c_str());
        return 1;
    }
    wxPanel* panel = open_bench_window(argv[0]);
    if (panel == nullptr)
        return 1;
    bench(session, panel, presses);
    close_bench_window(panel);
    return 0;
}
