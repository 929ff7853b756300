#include "probe/probe_report.h"

#include "capture/capture_messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using Json = nlohmann::ordered_json;

// The window pads some texts with blanks that cover older lines; here they would only pad the output.
std::string trimmed(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::string printf_text(const char* pattern, double value) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string milliseconds_text(const std::optional<double>& ms) {
    return ms ? printf_text("%.1f", *ms) : "-";
}

std::string dbfs_text(const FormatProbe& probe, double fraction) {
    if (probe.signal.samples == 0) {
        return "-";
    }
    const std::optional<double> dbfs = to_dbfs(fraction);
    return dbfs ? printf_text("%.2f", *dbfs) : "-inf";
}

std::string result_text(MMRESULT code, std::string_view text) {
    return std::to_string(code) + " " + trimmed(text);
}

std::string buffer_text(const FormatProbe& probe) {
    return probe.buffer ? result_text(*probe.buffer, buffer_message(*probe.buffer)) : "- (not prepared)";
}

// To `digits` decimals; dividing last gives the double nearest the decimal, which JSON then prints short.
double rounded(double value, int digits) {
    const double scale = std::pow(10.0, digits);
    return std::round(value * scale) / scale;
}

// What a device list could not tell without opening the device is 0 there, and null here.
Json known(double figure) {
    return figure > 0 ? Json(figure) : Json(nullptr);
}

Json optional_number(const std::optional<double>& value, int digits) {
    return value ? Json(rounded(*value, digits)) : Json(nullptr);
}

Json result_json(MMRESULT code, std::string_view text) {
    return Json{{"code", code}, {"text", trimmed(text)}};
}

Json probe_entry(const FormatProbe& probe) {
    const bool measured = probe.signal.samples > 0;
    const auto level = [&](double fraction) {
        return measured ? optional_number(to_dbfs(fraction), 2) : Json(nullptr);
    };
    return Json{
        {"rate", probe.format.nSamplesPerSec},
        {"bits", probe.format.wBitsPerSample},
        {"channels", probe.format.nChannels},
        {"open", result_json(probe.open, open_message(probe.open))},
        {"buffer", probe.buffer ? result_json(*probe.buffer, buffer_message(*probe.buffer)) : Json(nullptr)},
        {"started", probe.started},
        {"bytes_recorded", probe.bytesRecorded},
        {"bytes_expected", probe.bytesExpected},
        {"first_data_ms", optional_number(probe.firstDataMs, 1)},
        {"full_buffer_ms", optional_number(probe.fullBufferMs, 1)},
        {"peak_dbfs", level(probe.signal.peak)},
        {"rms_dbfs", level(probe.signal.rms)},
        {"dc_offset", measured ? Json(rounded(probe.signal.dcOffset, 4)) : Json(nullptr)},
        {"clipped_samples", probe.signal.clipped},
        {"verdict", verdict_name(probe.verdict)},
        {"recorded_buffer", probe.recordedBuffer()},
    };
}

std::string device_title(const ProbedDevice& device) {
    std::string title = "device " + std::to_string(device.id);
    if (device.info) {
        title += " \"" + device.info->name + "\" (" + device.info->hostApi + ")";
    } else {
        title += " (not in the device list)";
    }
    return title;
}

// Columns of a table: each as wide as its widest cell, numbers to the right, texts to the left.
std::vector<std::string> column_lines(const std::vector<std::vector<std::string>>& rows,
                                      const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths(rightAligned.size(), 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - row[c].size(), ' ');
            line += c == 0 ? "" : "  ";
            line += rightAligned[c] ? pad + row[c] : row[c] + pad;
        }
        lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
    }
    return lines;
}

void print_columns(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                   const std::vector<bool>& rightAligned) {
    for (const std::string& line : column_lines(rows, rightAligned)) {
        out << line << '\n';
    }
}

// "44100,16,2", as --format takes it: a row that fits a terminal of 80 columns.
std::string format_cell(const WAVEFORMATEX& format) {
    return std::to_string(format.nSamplesPerSec) + "," + std::to_string(format.wBitsPerSample) + "," +
           std::to_string(format.nChannels);
}

std::vector<std::string> probe_row(const FormatProbe& probe) {
    return {format_cell(probe.format),
            std::to_string(probe.bytesRecorded) + "/" + std::to_string(probe.bytesExpected),
            milliseconds_text(probe.firstDataMs),
            milliseconds_text(probe.fullBufferMs),
            dbfs_text(probe, probe.signal.peak),
            dbfs_text(probe, probe.signal.rms),
            probe.signal.samples > 0 ? printf_text("%+.4f", probe.signal.dcOffset) : "-",
            std::to_string(probe.signal.clipped),
            std::string(verdict_name(probe.verdict))};
}

// The open and buffer results that were not a success, each on a line of its own under the format's row.
std::vector<std::string> result_notes(const FormatProbe& probe) {
    std::vector<std::string> notes;
    if (probe.open != MMSYSERR_NOERROR) {
        notes.push_back("  open: " + result_text(probe.open, open_message(probe.open)));
    }
    // A buffer is not prepared on a device that did not open: its open says why.
    if (probe.buffer ? *probe.buffer != MMSYSERR_NOERROR : probe.open == MMSYSERR_NOERROR) {
        notes.push_back("  buffer: " + buffer_text(probe));
    }
    return notes;
}

} // namespace

void print_probe_table(std::ostream& out, const ProbedDevice& device, std::uint32_t bufferBytes,
                       const std::vector<FormatProbe>& probes) {
    out << "varnel-probe: " << device_title(device) << ", " << bufferBytes << "-byte buffer\n";
    std::vector<std::vector<std::string>> rows{
        {"format", "bytes", "first", "full", "peak", "RMS", "DC", "clipped", "verdict"},
        {"", "", "ms", "ms", "dBFS", "dBFS", "offset", "", ""}};
    const std::size_t headerRows = rows.size();
    for (const FormatProbe& probe : probes) {
        rows.push_back(probe_row(probe));
    }
    const std::vector<std::string> lines =
        column_lines(rows, {false, true, true, true, true, true, true, true, false});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out << lines[i] << '\n';
        for (const std::string& note :
             i < headerRows ? std::vector<std::string>{} : result_notes(probes[i - headerRows])) {
            out << note << '\n';
        }
    }
}

nlohmann::ordered_json probe_json(const ProbedDevice& device, std::uint32_t bufferBytes,
                                  const std::vector<FormatProbe>& probes, bool ok) {
    Json deviceEntry{{"id", device.id},
                     {"name", device.info ? Json(device.info->name) : Json(nullptr)},
                     {"host_api", device.info ? Json(device.info->hostApi) : Json(nullptr)}};
    Json results = Json::array();
    for (const FormatProbe& probe : probes) {
        results.push_back(probe_entry(probe));
    }
    return Json{{"program", "varnel-probe"},   {"version", VARNEL_VERSION}, {"device", deviceEntry},
                {"buffer_bytes", bufferBytes}, {"results", results},        {"ok", ok}};
}

void print_device_table(std::ostream& out, const std::vector<CaptureDeviceInfo>& devices) {
    std::vector<std::vector<std::string>> rows{{"id", "default", "channels", "rate", "host API", "name"}};
    for (std::size_t id = 0; id < devices.size(); ++id) {
        const CaptureDeviceInfo& device = devices[id];
        rows.push_back({std::to_string(id), device.isDefault ? "*" : "",
                        device.maxInputChannels > 0 ? std::to_string(device.maxInputChannels) : "-",
                        device.defaultSampleRate > 0 ? printf_text("%.0f", device.defaultSampleRate) : "-",
                        device.hostApi, device.name});
    }
    print_columns(out, rows, {true, false, true, true, false, false});
}

nlohmann::ordered_json device_json(const std::vector<CaptureDeviceInfo>& devices) {
    Json list = Json::array();
    for (std::size_t id = 0; id < devices.size(); ++id) {
        const CaptureDeviceInfo& device = devices[id];
        list.push_back(Json{{"id", id},
                            {"name", device.name},
                            {"host_api", device.hostApi},
                            {"max_input_channels", known(device.maxInputChannels)},
                            {"default_sample_rate", known(device.defaultSampleRate)},
                            {"default", device.isDefault}});
    }
    return Json{{"program", "varnel-probe"}, {"version", VARNEL_VERSION}, {"devices", list}};
}
