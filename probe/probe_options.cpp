#include "probe/probe_options.h"

#include "format/capture_format.h"
#include "probe/ProbeHelpFormatter.h"
#include "probe/format_probe.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <memory>

namespace {

constexpr const char* kProgram = "varnel-probe";
// Of an argument quoted in a message: enough for any device name or format and most paths.
constexpr std::size_t kShownArgumentBytes = 120;
// The options that take one value, given once.
constexpr const char* kSingleOptions[] = {"--bytes", "--device", "--output"};

struct Parsed {
    ProbeOptions options;
    std::vector<std::string> formats;
    std::string bytes = std::to_string(kDefaultProbeBytes);
    std::string device;
    std::string output;
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
    auto* json = app->add_flag("--json", options.json, "Print one JSON document instead of the table");
    auto* metrics = app->add_flag("--openmetrics", options.openMetrics,
                                  "Print the results in Prometheus' text format instead of the table, as "
                                  "node_exporter's textfile collector reads it");
    app->add_option(
           "--output", parsed.output,
           "Write the report to FILE instead of standard output: to a new file renamed over FILE, so "
           "that a reader meets it whole")
        ->type_name("FILE");
    auto* expect = app->add_flag("--expect-signal", options.expectSignal,
                                 "Fail unless every format also carried signal (or clipped)");
    list->excludes("--format", "--bytes", expect, device, metrics);
    json->excludes(metrics);
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

bool continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The arguments that CLI11's `message` quotes, as shown_argument() shows them: an argument whole, or the
// value of an --option=value.
std::string with_arguments_shown(std::string message, const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        for (const std::string_view quoted :
             {std::string_view(arg),
              std::string_view(arg).substr(equals == std::string::npos ? arg.size() : equals + 1)}) {
            const std::string shown = shown_argument(quoted);
            for (std::size_t at = 0; shown != quoted && (at = message.find(quoted, at)) != std::string::npos;
                 at += shown.size()) {
                message.replace(at, quoted.size(), shown);
            }
        }
    }
    return message;
}

// The option given more than once that takes one value, or nothing.
const CLI::Option* repeated_option(const CLI::App& app) {
    for (const char* name : kSingleOptions) {
        if (app.count(name) > 1) {
            return app.get_option(name);
        }
    }
    return nullptr;
}

bool taken(const std::vector<WAVEFORMATEX>& formats, const WAVEFORMATEX& format) {
    return std::any_of(formats.begin(), formats.end(), [&](const WAVEFORMATEX& other) {
        return other.nSamplesPerSec == format.nSamplesPerSec &&
               other.wBitsPerSample == format.wBitsPerSample && other.nChannels == format.nChannels;
    });
}

ProbeExit usage_error(const std::string& what) {
    return {kExitUsage, "", std::string(kProgram) + ": " + what + "\n" + probe_usage()};
}

// What is wrong with the text of --bytes, or nothing.
std::optional<std::string> bytes_error(const std::string& text, std::uint32_t& bytes) {
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) {
        return "--bytes \"" + shown_argument(text) +
               "\": N takes decimal digits only (0-9), without sign, blanks or prefix";
    }
    if (!parse_number(text, bytes) || bytes < kMinProbeBytes || bytes > kMaxProbeBytes) {
        return "--bytes " + shown_argument(text) + ": N must be from " + kBytesRange;
    }
    return std::nullopt;
}

} // namespace

std::string shown_argument(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        if (shown.size() >= kShownArgumentBytes && !continuation_byte(c)) {
            return shown + "... (" + std::to_string(text.size()) + " bytes)";
        }
        const auto byte = static_cast<unsigned char>(c);
        shown += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return shown;
}

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
        if (const CLI::Option* option = repeated_option(*app)) {
            return usage_error(option->get_name() + " is given " + std::to_string(option->count()) +
                               " times; give it once");
        }
        return usage_error(with_arguments_shown(error.what(), args));
    }
    ProbeOptions options = parsed.options;
    if (const std::optional<std::string> error = bytes_error(parsed.bytes, options.bytes)) {
        return usage_error(*error);
    }
    for (const std::string& text : parsed.formats) {
        const std::optional<WAVEFORMATEX> format = parse_format(text);
        if (!format) {
            return usage_error("--format " + shown_argument(text) + ": give RATE,BITS,CHANNELS with RATE " +
                               kRateRange + ", BITS 8 or 16, CHANNELS 1 or 2");
        }
        if (options.openMetrics && taken(options.formats, *format)) {
            return usage_error("--format " + shown_argument(text) +
                               " is given twice; with --openmetrics a format is one series");
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
    if (app->count("--output") > 0) {
        if (parsed.output.empty()) {
            return usage_error("--output: give a file name");
        }
        options.output = parsed.output;
    }
    return options;
}
