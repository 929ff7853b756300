// How long a TEST press blocks the window when it records through a sound server, per format, beside the
// audio duration of the buffer and beside arecord capturing the same bytes from the same server. Starts its
// own private PipeWire session; needs an X display (xvfb-run).
// Run: build/bench/varnel_sound_server_bench [presses per format, default 15]
#include "bench_window.h"
#include "capture/capture_on_panel.h"
#include "format/capture_format.h"
#include "platform/drawing/linux/ClientDCTarget.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/SoundServerSession.h"

#include <wx/app.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
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

void bench(wxPanel* panel, int presses) {
    AlsaWaveIn device;
    ClientDCTarget window(panel);
    CaptureBuffer buffer{};
    CaptureSession session;
    std::printf("%-22s %9s %27s %27s %8s %9s\n", "format", "audio ms", "press ms min/median/max",
                "arecord ms min/median/max", "bytes", "verdict");
    for (std::uint32_t rate : {11025u, 22050u, 44100u}) {
        for (std::uint16_t bits : {8, 16}) {
            for (std::uint16_t channels : {1, 2}) {
                const WAVEFORMATEX format = pcm_format(rate, bits, channels);
                const double audio = 1000.0 * kCaptureLength / format.nAvgBytesPerSec;
                std::vector<double> press, arecord;
                std::uint32_t fewest = kCaptureLength;
                for (int i = 0; i < presses; ++i) {
                    const auto start = Clock::now();
                    run_capture_test(device, window, format, buffer, session);
                    press.push_back(milliseconds_since(start));
                    fewest = std::min(fewest, session.header.dwBytesRecorded.load());
                    wxTheApp->Yield(true);
                    arecord.push_back(arecord_milliseconds(format));
                }
                const Figures p = figures(press);
                const Figures a = figures(arecord);
                const bool onTarget = p.median <= audio + 120 && p.max <= audio + 1000 + 50;
                std::printf("%5u Hz %2u-bit %u ch   %9.1f %9.1f/%7.1f/%7.1f   %9.1f/%7.1f/%7.1f   %8u %9s\n",
                            rate, bits, channels, audio, p.min, p.median, p.max, a.min, a.median, a.max,
                            fewest, onTarget ? "on target" : "OVER");
                std::fflush(stdout);
            }
        }
    }
    std::printf(
        "target: median press <= audio + 120 ms, every press <= audio + 1000 + 50 ms; bytes: the fewest "
        "recorded by any press\n");
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
    bench(panel, presses);
    close_bench_window(panel);
    return 0;
}
