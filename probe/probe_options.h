// The command line of varnel-probe.
#pragma once

#include "platform/wave_in/wave_types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The buffer of TEST by default; longer ones give steadier figures. Four bytes hold one frame of every
// format, and a mebibyte is 95 s of the slowest one.
inline constexpr std::uint32_t kDefaultProbeBytes = 999;
inline constexpr std::uint32_t kMinProbeBytes = 4;
inline constexpr std::uint32_t kMaxProbeBytes = 1u << 20;
inline constexpr std::uint32_t kMinProbeRate = 1000;
inline constexpr std::uint32_t kMaxProbeRate = 384000;

struct ProbeOptions {
    // In the order given; the 12 PCM formats of the window's boxes when none is given.
    std::vector<WAVEFORMATEX> formats;
    std::uint32_t bytes = kDefaultProbeBytes;
    // A device id or a name, as given; the default device when absent.
    std::optional<std::string> device;
    bool listDevices = false;
    bool json = false;
    bool openMetrics = false;
    bool expectSignal = false;
    // Where the report goes instead of standard output.
    std::optional<std::string> output;
};

// The program ends before probing: help, version or a usage error, with what it prints.
struct ProbeExit {
    int status;
    std::string out;
    std::string err;
};

inline constexpr int kExitUsage = 2;

// `args` without the program's name.
std::variant<ProbeOptions, ProbeExit> parse_probe_arguments(const std::vector<std::string>& args);

// The usage text, as --help prints it.
std::string probe_usage();

// An argument as a message quotes it: control characters shown as '?', and cut, with its length said,
// where it is longer than a line can show.
std::string shown_argument(std::string_view text);
