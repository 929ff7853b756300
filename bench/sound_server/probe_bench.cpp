// How long varnel-probe takes for the whole matrix of 12 formats through a sound server, beside the sum of
// the buffers' audio durations (the target is that sum plus 12 x 60 ms) and beside arecord making the same
// 12 captures one process each; its --openmetrics report written to a file with --output, as the user service
// writes it for node_exporter, beside --json to standard output; and how long its --list-devices takes,
// beside `arecord -L`. Starts its own private PipeWire session; needs no display.
// Run: build/bench/varnel_probe_bench [runs, default 10]
#include "format/capture_format.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "probe/format_probe.h"
#include "probe/probe_options.h"
#include "support/SoundServerSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kOverheadPerFormatMs = 60;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double timed_command(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    return status == 0 ? milliseconds_since(start) : -1;
}

std::string arecord_command(const WAVEFORMATEX& format) {
    return "arecord -q -D default -t raw -f " + std::string(format.wBitsPerSample == 8 ? "U8" : "S16_LE") +
           " -r " + std::to_string(format.nSamplesPerSec) + " -c " + std::to_string(format.nChannels) +
           " -s " + std::to_string(kDefaultProbeBytes / format.nBlockAlign) + " >/dev/null 2>&1";
}

struct Figures {
    double min, median, max;
};

Figures figures(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

void print(const char* what, const Figures& f, double target) {
    std::printf("%-44s %8.1f %8.1f %8.1f   %s\n", what, f.min, f.median, f.max,
                target <= 0 ? "" : (f.max <= target ? "on target" : "OVER"));
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    SoundServerSession session;
    if (!session.unavailable().empty()) {
        std::fprintf(stderr, "%s\n", session.unavailable().c_str());
        return 1;
    }
    const std::vector<WAVEFORMATEX> formats = window_pcm_formats();
    double audio = 0;
    for (const WAVEFORMATEX& format : formats)
        audio += 1000.0 * kDefaultProbeBytes / format.nAvgBytesPerSec;
    const double target = audio + kOverheadPerFormatMs * formats.size();

    const std::string report = (std::filesystem::temp_directory_path() / "varnel_probe_bench.prom").string();
    std::vector<double> program, json, metricsFile, inProcess, arecord, wholeBuffers, listing, arecordListing;
    AlsaWaveIn layer;
    layer.allowConcurrentOpens();
    for (int run = 0; run < runs; ++run) {
        program.push_back(timed_command(std::string(VARNEL_PROBE_PROGRAM) + " >/dev/null"));
        json.push_back(timed_command(std::string(VARNEL_PROBE_PROGRAM) + " --json >/dev/null"));
        metricsFile.push_back(
            timed_command(std::string(VARNEL_PROBE_PROGRAM) + " --openmetrics --output " + report));
        listing.push_back(timed_command(std::string(VARNEL_PROBE_PROGRAM) + " --list-devices >/dev/null"));
        arecordListing.push_back(timed_command("arecord -L >/dev/null 2>&1"));
        const auto start = Clock::now();
        const std::vector<FormatProbe> probes = probe_formats(layer, 0, formats, kDefaultProbeBytes);
        inProcess.push_back(milliseconds_since(start));
        wholeBuffers.push_back(std::count_if(probes.begin(), probes.end(),
                                             [](const FormatProbe& p) { return p.recordedBuffer(); }));
        double total = 0;
        for (const WAVEFORMATEX& format : formats)
            total += timed_command(arecord_command(format));
        arecord.push_back(total);
    }
    std::printf("12 formats x %u bytes through PipeWire, %d runs; audio %.1f ms, target %.1f ms\n",
                kDefaultProbeBytes, runs, audio, target);
    std::printf("%-44s %8s %8s %8s\n", "ms", "min", "median", "max");
    print("varnel-probe, the whole process", figures(program), target);
    print("varnel-probe --json to standard output", figures(json), target);
    print("varnel-probe --openmetrics --output FILE", figures(metricsFile), target);
    print("the matrix in process", figures(inProcess), target);
    print("arecord, 12 processes one after the other", figures(arecord), 0);
    print("varnel-probe --list-devices, the whole process", figures(listing), 0);
    print("arecord -L, the whole process", figures(arecordListing), 0);
    std::printf("formats recording their whole buffer in process: fewest %.0f of 12\n",
                figures(wholeBuffers).min);
    std::filesystem::remove(report);
    return 0;
}
