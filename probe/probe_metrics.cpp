#include "probe/probe_metrics.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

constexpr double kMillisecondsPerSecond = 1000;
constexpr Verdict kVerdicts[] = {Verdict::signal, Verdict::silent, Verdict::clipping, Verdict::noData};

using Figure = std::optional<std::string>;

std::string printf_text(const char* pattern, double value) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

Figure flag(bool value) {
    return value ? "1" : "0";
}

Figure seconds(const std::optional<double>& ms) {
    return ms ? Figure(printf_text("%.4f", *ms / kMillisecondsPerSecond)) : std::nullopt;
}

// Digital silence has a level, minus infinity, which Prometheus can hold; no samples have none.
Figure dbfs(const FormatProbe& probe, double fraction) {
    if (probe.signal.samples == 0) {
        return std::nullopt;
    }
    const std::optional<double> level = to_dbfs(fraction);
    return level ? printf_text("%.2f", *level) : "-Inf";
}

struct FormatFamily {
    const char* name;
    const char* help;
    Figure (*figure)(const FormatProbe&);
};

// A format without the figure (no data came) has no series in its family.
constexpr FormatFamily kFormatFamilies[] = {
    {"varnel_probe_opened", "1 when the capture device opened with the format, else 0.",
     [](const FormatProbe& p) { return flag(p.open == MMSYSERR_NOERROR); }},
    {"varnel_probe_recorded_buffer", "1 when the format's buffer was queued and recorded whole, else 0.",
     [](const FormatProbe& p) { return flag(p.recordedBuffer()); }},
    {"varnel_probe_recorded_bytes", "Bytes the device recorded into the format's buffer.",
     [](const FormatProbe& p) { return Figure(std::to_string(p.bytesRecorded)); }},
    {"varnel_probe_expected_bytes", "Bytes of the whole frames the format's buffer holds.",
     [](const FormatProbe& p) { return Figure(std::to_string(p.bytesExpected)); }},
    {"varnel_probe_first_data_seconds", "Time from the start of recording to the first data.",
     [](const FormatProbe& p) { return seconds(p.firstDataMs); }},
    {"varnel_probe_full_buffer_seconds", "Time from the start of recording to the full buffer.",
     [](const FormatProbe& p) { return seconds(p.fullBufferMs); }},
    {"varnel_probe_peak_dbfs", "Largest sample recorded, in decibels of full scale.",
     [](const FormatProbe& p) { return dbfs(p, p.signal.peak); }},
    {"varnel_probe_rms_dbfs", "Root mean square of the samples recorded, in decibels of full scale.",
     [](const FormatProbe& p) { return dbfs(p, p.signal.rms); }},
    {"varnel_probe_dc_offset_ratio", "Mean sample recorded, as a fraction of full scale (-1 to 1).",
     [](const FormatProbe& p) {
         return p.signal.samples > 0 ? Figure(printf_text("%.4f", p.signal.dcOffset)) : std::nullopt;
     }},
    {"varnel_probe_clipped_samples", "Samples recorded at either end of the format's range.",
     [](const FormatProbe& p) { return Figure(std::to_string(p.signal.clipped)); }},
};

// A label's value in valid UTF-8 (a device name comes in whatever encoding the sound system has; a stray
// byte becomes U+FFFD), with backslash, double quote and line feed escaped.
std::string label_value(const std::string& text) {
    const std::string quoted =
        nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string escaped;
    for (const char c : nlohmann::json::parse(quoted).get<std::string>()) {
        escaped += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return escaped;
}

std::string label(std::string_view name, const std::string& value) {
    return std::string(name) + "=\"" + label_value(value) + "\"";
}

void family_header(std::string& out, std::string_view name, std::string_view help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" gauge\n");
}

void sample(std::string& out, std::string_view name, const std::string& labels, const std::string& value) {
    out.append(name).append("{").append(labels).append("} ").append(value).append("\n");
}

std::string format_labels(const std::string& device, const WAVEFORMATEX& format) {
    return device + "," + label("rate", std::to_string(format.nSamplesPerSec)) + "," +
           label("bits", std::to_string(format.wBitsPerSample)) + "," +
           label("channels", std::to_string(format.nChannels));
}

} // namespace

std::string probe_metrics(const ProbedDevice& device, const std::vector<FormatProbe>& probes,
                          const ProbeRun& run) {
    const std::string deviceLabel = label("device", device.info ? device.info->name : "");
    std::string out;
    family_header(out, "varnel_probe_info", "The probe's version and the capture device it probed.");
    sample(out, "varnel_probe_info",
           deviceLabel + "," + label("device_id", std::to_string(device.id)) + "," +
               label("host_api", device.info ? device.info->hostApi : "") + "," +
               label("version", VARNEL_VERSION),
           "1");
    family_header(out, "varnel_probe_success",
                  "1 when every format passed (exit status 0), 0 when one did not (exit status 1).");
    sample(out, "varnel_probe_success", deviceLabel, *flag(run.ok));
    family_header(out, "varnel_probe_duration_seconds", "Time the probe took for every format.");
    sample(out, "varnel_probe_duration_seconds", deviceLabel, printf_text("%.4f", run.seconds));

    for (const FormatFamily& family : kFormatFamilies) {
        family_header(out, family.name, family.help);
        for (const FormatProbe& probe : probes) {
            if (const Figure figure = family.figure(probe)) {
                sample(out, family.name, format_labels(deviceLabel, probe.format), *figure);
            }
        }
    }
    family_header(
        out, "varnel_probe_verdict",
        "1 for the verdict on what the format recorded (signal, silent, clipping, no data), else 0.");
    for (const FormatProbe& probe : probes) {
        for (const Verdict verdict : kVerdicts) {
            sample(out, "varnel_probe_verdict",
                   format_labels(deviceLabel, probe.format) + "," +
                       label("verdict", std::string(verdict_name(verdict))),
                   *flag(probe.verdict == verdict));
        }
    }
    // The end mark of OpenMetrics; a comment to the Prometheus text format.
    out += "# EOF\n";
    return out;
}
