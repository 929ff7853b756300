// varnel-probe: the capture check of the window's TEST from a terminal, every format at once.
#include "platform/wave_in/CaptureSystem.h"
#include "platform/wave_in/standard_streams.h"
#include "probe/probe_output.h"
#include "probe/probe_program.h"

#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    const bool outputOpen = standard_output_open();
    open_missing_standard_streams();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::unique_ptr<CaptureSystem> waveIn = make_capture_system();
    waveIn->allowConcurrentOpens(); // the formats are probed side by side, each on its own stream
    std::ostringstream report;
    const ProbeStreams streams{report, std::cerr, standard_error_is_terminal() ? &std::cerr : nullptr};
    const int status = run_probe(args, *waveIn, *waveIn, streams);
    if (const auto failure = write_output(stdout, report.str(), outputOpen)) {
        std::cerr << "varnel-probe: the output was not written: " << *failure << '\n';
        return kExitFailed;
    }
    return status;
}
