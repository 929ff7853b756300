// varnel-probe as a whole: the command line in, the report and the exit status out.
#pragma once

#include "platform/wave_in/CaptureDeviceCatalog.h"
#include "platform/wave_in/WaveInApi.h"

#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

struct ProbeStreams {
    std::ostream& out;
    std::ostream& err;
    // Where the progress line goes while the probe runs (a terminal), or nowhere.
    std::ostream* progress = nullptr;
};

inline constexpr int kExitAllRecorded = 0;
inline constexpr int kExitFailed = 1;

// The device id `spec` names: a number is an id of `devices` (0, the default, always); a name is looked up in
// `devices`, exactly or else as the only name that contains it, in any case. An error text when no device,
// or more than one, matches.
std::variant<unsigned, std::string> resolve_device(const std::string& spec,
                                                   const std::vector<CaptureDeviceInfo>& devices);

// `args` without the program's name. The report goes to `streams.out`, or with --output to its file (a
// report not written there is status 1, said on `streams.err`). Answers the exit status.
int run_probe(const std::vector<std::string>& args, WaveInApi& waveIn, CaptureDeviceCatalog& catalog,
              const ProbeStreams& streams);
