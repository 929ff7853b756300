// varnel-probe: the capture check of the window's TEST from a terminal, every format at once.
#include "platform/wave_in/CaptureSystem.h"
#include "platform/wave_in/standard_streams.h"
#include "probe/probe_program.h"

#include <unistd.h>

#include <iostream>

int main(int argc, char** argv) {
    open_missing_standard_streams();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::unique_ptr<CaptureSystem> waveIn = make_capture_system();
    waveIn->allowConcurrentOpens(); // the formats are probed side by side, each on its own stream
    const ProbeStreams streams{std::cout, std::cerr, isatty(STDERR_FILENO) ? &std::cerr : nullptr};
    return run_probe(args, *waveIn, *waveIn, streams);
}
