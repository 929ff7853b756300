#include "probe/probe_options.h"

#include "format/capture_format.h"
#include "probe/ProbeHelpFormatter.h"
#include "probe/format_probe.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <memory>

namespace {

constexpr const char* kProgram = "varnel-probe";

struct Parsed {
    ProbeOptions options;
    std::vector<std::string> formats;
    std::string bytes = std::to_string(kDefaultProbeBytes);
    std::string device;
};

const std::string kRateRange = std::to_string(kMinProbeRate) + " to " + std::to_string(kMaxProbeRate);
const std::string kBytesRange = std::to_string(kMinProbeBytes) + " to " + std::to_string(kMaxProbeBytes);

std::unique_ptr<CLI::App> make_app(Parsed& parsed) {
    auto app = std::make_unique<CLI::App>(
        "Records a buffer from a capture device with each format and says what came in.", kProgram);
    ProbeOptions& options = parsed.options;
    app->formatter(std::make_shared<ProbeHelpFormatter>());
    app->set_version_flag("--version", std::string(kProgram) + " " + VARNEL_VERSION);
    app->add_option("--format", parsed.formats,
                    "Probe this PCM format: RATE " + kRateRange +
                        " Hz, BITS 8 or 16, CHANNELS 1 or 2; repeatable. Default: the 12 formats of 11025, "
                        "22050, 44100 Hz x 8, 16 bits x 1, 2 channels")
        ->type_name("RATE,BITS,CHANNELS")
        ->allow_extra_args(false);
    app->add_option("--bytes", parsed.bytes,
                    "Bytes of the buffer recorded per format, " + kBytesRange + " (default " +
                        std::to_string(kDefaultProbeBytes) + ")")
        ->type_name("N");
    auto* device =
        app->add_option("--device", parsed.device, "Probe this device: an id or a name of --list-devices")
            ->type_name("N|NAME");
    auto* list = app->add_flag("--list-devices", options.listDevices,
                               "List the capture devices and end (alone, or with --json)");
    app->add_flag("--json", options.json, "Print one JSON document instead of the table");
    auto* expect = app->add_flag("--expect-signal", options.expectSignal,
                                 "Fail unless every format also carried signal (or clipped)");
    list->excludes("--format", "--bytes", expect, device);
    app->footer("Exit status: 0 when every format opened and recorded its buffer, 1 when one did not or the "
                "output could not be written, 2 for bad usage.");
    return app;
}

// Decimal digits only: no sign, blank, or base prefix such as 0x.
bool parse_number(std::string_view text, std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

// "RATE,BITS,CHANNELS", three decimal numbers.
std::optional<WAVEFORMATEX> parse_format(const std::string& text) {
    const std::size_t first = text.find(',');
    const std::size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view all(text);
    std::uint32_t rate = 0, bits = 0, channels = 0;
    if (!parse_number(all.substr(0, first), rate) ||
        !parse_number(all.substr(first + 1, second - first - 1), bits) ||
        !parse_number(all.substr(second + 1), channels)) {
        return std::nullopt;
    }
    if (rate < kMinProbeRate || rate > kMaxProbeRate || (bits != 8 && bits != 16) ||
        (channels != 1 && channels != 2)) {
        return std::nullopt;
    }
    return pcm_format(rate, static_cast<std::uint16_t>(bits), static_cast<std::uint16_t>(channels));
}

ProbeExit usage_error(const std::string& what) {
    return {kExitUsage, "", std::string(kProgram) + ": " + what + "\n" + probe_usage()};
}

// What is wrong with the text of --bytes, or nothing.
std::optional<std::string> bytes_error(const std::string& text, std::uint32_t& bytes) {
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) {
        return "--bytes \"" + text + "\": N takes decimal digits only (0-9), without sign, blanks or prefix";
    }
    if (!parse_number(text, bytes) || bytes < kMinProbeBytes || bytes > kMaxProbeBytes) {
        return "--bytes " + text + ": N must be from " + kBytesRange;
    }
    return std::nullopt;
}

} // namespace

std::string probe_usage() {
    Parsed parsed;
    return make_app(parsed)->help();
}

std::variant<ProbeOptions, ProbeExit> parse_probe_arguments(const std::vector<std::string>& args) {
    Parsed parsed;
    const auto app = make_app(parsed);
    std::vector<const char*> argv{kProgram};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        app->parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        return ProbeExit{0, app->help(), ""};
    } catch (const CLI::CallForVersion& version) {
        return ProbeExit{0, std::string(version.what()) + "\n", ""};
    } catch (const CLI::ParseError& error) {
        return usage_error(error.what());
    }
    ProbeOptions options = parsed.options;
    if (const std::optional<std::string> error = bytes_error(parsed.bytes, options.bytes)) {
        return usage_error(*error);
    }
    for (const std::string& text : parsed.formats) {
        const std::optional<WAVEFORMATEX> format = parse_format(text);
        if (!format) {
            return usage_error("--format " + text + ": give RATE,BITS,CHANNELS with RATE " + kRateRange +
                               ", BITS 8 or 16, CHANNELS 1 or 2");
        }
        options.formats.push_back(*format);
    }
    if (options.formats.empty()) {
        options.formats = window_pcm_formats();
    }
    if (app->count("--device") > 0) {
        if (parsed.device.empty()) {
            return usage_error("--device: give a device id or name");
        }
        options.device = parsed.device;
    }
    return options;
}
