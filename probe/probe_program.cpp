#include "probe/probe_program.h"

#include "platform/files/replace_file.h"
#include "probe/format_probe.h"
#include "probe/probe_metrics.h"
#include "probe/probe_options.h"
#include "probe/probe_report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <sstream>

namespace {

constexpr const char* kProgram = "varnel-probe";
constexpr int kJsonIndent = 2;
// Device names come from the sound system in whatever encoding it has; JSON wants UTF-8.
constexpr auto kInvalidUtf8 = nlohmann::json::error_handler_t::replace;
// Clears the rest of a terminal line.
constexpr const char* kClearLine = "\r\033[K";

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<unsigned> parse_id(const std::string& spec) {
    unsigned id = 0;
    const char* end = spec.data() + spec.size();
    const auto [stop, error] = std::from_chars(spec.data(), end, id);
    if (spec.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return id;
}

bool all_digits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

bool carried_signal(const FormatProbe& probe) {
    return probe.verdict == Verdict::signal || probe.verdict == Verdict::clipping;
}

bool passed(const FormatProbe& probe, bool expectSignal) {
    return probe.recordedBuffer() && (!expectSignal || carried_signal(probe));
}

int list_devices(CaptureDeviceCatalog& catalog, const ProbeOptions& options, std::ostream& report,
                 const ProbeStreams& streams) {
    const std::vector<CaptureDeviceInfo> devices = catalog.captureDevices();
    if (options.json) {
        report << device_json(devices).dump(kJsonIndent, ' ', false, kInvalidUtf8) << '\n';
    } else if (!devices.empty()) {
        print_device_table(report, devices);
    }
    if (devices.empty()) {
        streams.err << kProgram << ": no capture device found\n";
        return kExitFailed;
    }
    return kExitAllRecorded;
}

void show_progress(const ProbeStreams& streams, std::size_t done, std::size_t total) {
    if (streams.progress == nullptr) {
        return;
    }
    *streams.progress << kClearLine << "probing " << total << (total == 1 ? " format" : " formats") << ": "
                      << done << " done" << std::flush;
}

void clear_progress(const ProbeStreams& streams) {
    if (streams.progress != nullptr) {
        *streams.progress << kClearLine << std::flush;
    }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int probe_device(WaveInApi& waveIn, CaptureDeviceCatalog& catalog, const ProbeOptions& options,
                 std::ostream& report, const ProbeStreams& streams) {
    const std::vector<CaptureDeviceInfo> devices = catalog.captureDevices();
    ProbedDevice device;
    if (options.device) {
        const auto resolved = resolve_device(*options.device, devices);
        if (const auto* error = std::get_if<std::string>(&resolved)) {
            streams.err << kProgram << ": " << *error << "\n" << probe_usage();
            return kExitUsage;
        }
        device.id = std::get<unsigned>(resolved);
    }
    if (device.id < devices.size()) {
        device.info = devices[device.id];
    }

    const auto start = std::chrono::steady_clock::now();
    const std::vector<FormatProbe> probes =
        probe_formats(waveIn, device.id, options.formats, options.bytes,
                      [&](std::size_t done) { show_progress(streams, done, options.formats.size()); });
    const double seconds = seconds_since(start);
    clear_progress(streams);
    const bool ok = std::all_of(probes.begin(), probes.end(), [&](const FormatProbe& probe) {
        return passed(probe, options.expectSignal);
    });
    if (options.json) {
        report << probe_json(device, options.bytes, probes, ok).dump(kJsonIndent, ' ', false, kInvalidUtf8)
               << '\n';
    } else if (options.openMetrics) {
        report << probe_metrics(device, probes, ProbeRun{ok, seconds});
    } else {
        print_probe_table(report, device, options.bytes, probes);
    }
    return ok ? kExitAllRecorded : kExitFailed;
}

} // namespace

std::variant<unsigned, std::string> resolve_device(const std::string& spec,
                                                   const std::vector<CaptureDeviceInfo>& devices) {
    if (all_digits(spec)) {
        // 0, the default device, is there to be opened even when the list cannot be read.
        const std::optional<unsigned> id = parse_id(spec);
        if (id && (*id == 0 || *id < devices.size())) {
            return *id;
        }
        return "--device " + shown_argument(spec) + ": no such device id" +
               (devices.empty() ? "" : "; the ids go from 0 to " + std::to_string(devices.size() - 1)) +
               " (see --list-devices)";
    }
    const std::string wanted = lowered(spec);
    std::vector<unsigned> matches;
    for (unsigned id = 0; id < devices.size(); ++id) {
        if (devices[id].name == spec) {
            return id;
        }
        if (lowered(devices[id].name).find(wanted) != std::string::npos) {
            matches.push_back(id);
        }
    }
    if (matches.size() == 1) {
        return matches.front();
    }
    if (matches.empty()) {
        return "--device " + shown_argument(spec) + ": no capture device has that name (see --list-devices)";
    }
    return "--device " + shown_argument(spec) + ": " + std::to_string(matches.size()) +
           " capture devices have that in their name; give more of it or an id (see --list-devices)";
}

int run_probe(const std::vector<std::string>& args, WaveInApi& waveIn, CaptureDeviceCatalog& catalog,
              const ProbeStreams& streams) {
    const auto parsed = parse_probe_arguments(args);
    if (const auto* exit = std::get_if<ProbeExit>(&parsed)) {
        streams.out << exit->out;
        streams.err << exit->err;
        return exit->status;
    }
    const auto& options = std::get<ProbeOptions>(parsed);
    std::ostringstream report;
    const int status = options.listDevices ? list_devices(catalog, options, report, streams)
                                           : probe_device(waveIn, catalog, options, report, streams);
    if (!options.output || status == kExitUsage) {
        streams.out << report.str();
        return status;
    }
    if (const auto failure = replace_file(*options.output, report.str())) {
        streams.err << kProgram << ": the output was not written to " << shown_argument(*options.output)
                    << ": " << *failure << '\n';
        return kExitFailed;
    }
    return status;
}
