// varnel-probe's command line, its device names and its JSON, through the whole program: the real
// wave-input layer over ALSA's file device, the JSON read back by a JSON parser.
#include "format/capture_format.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "probe/probe_metrics.h"
#include "probe/probe_program.h"
#include "support/AlsaFileDevice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome probe(const std::vector<std::string>& args, std::ostream* progress = nullptr) {
    AlsaWaveIn layer;
    std::ostringstream out, err;
    const int status = run_probe(args, layer, layer, ProbeStreams{out, err, progress});
    return {status, out.str(), err.str()};
}

struct UsageCase {
    std::vector<std::string> args;
    std::string firstLine;
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

// One line saying what is wrong, then the usage; nothing probed, nothing on standard output.
TEST_P(UsageErrors, GetOneLineAndTheUsageAndStatusTwo) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(4096, 128));
    const Outcome outcome = probe(GetParam().args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    const std::string firstLine = outcome.err.substr(0, outcome.err.find('\n'));
    EXPECT_NE(firstLine.find(GetParam().firstLine), std::string::npos) << firstLine;
    EXPECT_EQ(firstLine.rfind("varnel-probe: ", 0), 0u) << firstLine;
    EXPECT_LT(firstLine.size(), 250u); // an argument of 100 KB is cut
    EXPECT_NE(outcome.err.find("Usage: varnel-probe"), std::string::npos);
}

const std::string kFormatRule = "give RATE,BITS,CHANNELS";
const std::string kDigitsOnly = "N takes decimal digits only";

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(UsageCase{{"--frobnicate"}, "--frobnicate"}, UsageCase{{"extra"}, "extra"},
                      UsageCase{{"--format"}, "--format"}, UsageCase{{"--format", "44100,16"}, kFormatRule},
                      UsageCase{{"--format", "44100,24,2"}, kFormatRule},
                      UsageCase{{"--format", "44100,16,3"}, kFormatRule},
                      UsageCase{{"--format", "999,8,1"}, kFormatRule},
                      UsageCase{{"--format", "44100,8,1,1"}, kFormatRule},
                      UsageCase{{"--format", "x,8,1"}, kFormatRule},
                      UsageCase{{"--format", "-1,8,1"}, kFormatRule}, UsageCase{{"--bytes", "3"}, "--bytes"},
                      UsageCase{{"--bytes", "1048577"}, "--bytes"}, UsageCase{{"--bytes", "-5"}, "--bytes"},
                      UsageCase{{"--bytes", "lots"}, "--bytes"}, UsageCase{{"--bytes", "0x10"}, kDigitsOnly},
                      UsageCase{{"--bytes", " 10"}, kDigitsOnly}, UsageCase{{"--bytes", "+999"}, kDigitsOnly},
                      UsageCase{{"--bytes", "99999999999"}, "N must be from 4 to 1048576"},
                      UsageCase{{"--device", ""}, "--device"},
                      UsageCase{{"--device", "99999999999999"}, "no such device id"},
                      UsageCase{{"--device", "999"}, "no such device id"},
                      UsageCase{{"--bytes", "5", "--bytes", "6"}, "--bytes is given 2 times; give it once"},
                      UsageCase{{"--json", "--openmetrics"}, "--openmetrics"},
                      UsageCase{{"--openmetrics", "--format", "11025,8,1", "--format", "11025,8,1"}, "twice"},
                      UsageCase{{"--output", ""}, "--output: give a file name"},
                      UsageCase{{std::string(100000, 'x')}, "xxx... (100000 bytes)"},
                      UsageCase{{"--bytes", std::string(100000, '9')}, "999... (100000 bytes)"},
                      UsageCase{{"--device", "no such card"}, "no capture device has that name"},
                      UsageCase{{"--list-devices", "--format", "11025,8,1"}, "--format"},
                      UsageCase{{"--list-devices", "--expect-signal"}, "--expect-signal"}));

struct DeviceCase {
    std::string spec;
    std::variant<unsigned, std::string> expected;
};

class DeviceNames : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(DeviceNames, MapToTheIdOfTheirPlaceInTheList) {
    const std::vector<CaptureDeviceInfo> devices{{"default", "ALSA", 32, 44100, true},
                                                 {"pipewire", "ALSA", 64, 44100, false},
                                                 {"USB Audio: Mic (hw:1,0)", "ALSA", 1, 48000, false},
                                                 {"pipewire-pulse", "ALSA", 2, 48000, false}};
    const auto resolved = resolve_device(GetParam().spec, devices);
    if (const auto* id = std::get_if<unsigned>(&GetParam().expected))
        EXPECT_EQ(std::get<unsigned>(resolved), *id);
    else
        EXPECT_NE(std::get<std::string>(resolved).find(std::get<std::string>(GetParam().expected)),
                  std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, DeviceNames,
                         ::testing::Values(DeviceCase{"0", 0u}, DeviceCase{"3", 3u},
                                           DeviceCase{"default", 0u}, DeviceCase{"pipewire", 1u},
                                           DeviceCase{"usb audio", 2u}, DeviceCase{"PULSE", 3u},
                                           DeviceCase{"pipe", std::string("2 capture")},
                                           DeviceCase{"4", std::string("no such device id; the ids go")},
                                           DeviceCase{"hw:9", std::string("no capture device")}));

TEST(ProbeJson, ReadsBackWithEveryDocumentedField) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(8192, 160));
    const Outcome outcome =
        probe({"--json", "--format", "22050,16,2", "--format", "11025,8,1", "--bytes", "0600"});
    ASSERT_EQ(outcome.status, 0) << outcome.err << outcome.out;
    const nlohmann::json document = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(document.at("program"), "varnel-probe");
    EXPECT_EQ(document.at("buffer_bytes"), 600);
    EXPECT_EQ(document.at("device").at("id"), 0);
    EXPECT_TRUE(document.at("ok").get<bool>());
    const auto& results = document.at("results");
    ASSERT_EQ(results.size(), 2u);
    const auto& first = results[0];
    EXPECT_EQ(first.at("rate"), 22050);
    EXPECT_EQ(first.at("bits"), 16);
    EXPECT_EQ(first.at("channels"), 2);
    EXPECT_EQ(first.at("open"), nlohmann::json({{"code", 0}, {"text", "Successful"}}));
    EXPECT_EQ(first.at("buffer"), nlohmann::json({{"code", 0}, {"text", "Reussi  buffer"}}));
    EXPECT_EQ(first.at("bytes_recorded"), 600);
    EXPECT_EQ(results[1].at("bytes_expected"), 600);
    for (const char* number : {"first_data_ms", "full_buffer_ms", "peak_dbfs", "rms_dbfs", "dc_offset"})
        EXPECT_TRUE(first.at(number).is_number()) << number;
    EXPECT_EQ(first.at("clipped_samples"), 0);
    EXPECT_TRUE(first.at("started").get<bool>());
    EXPECT_TRUE(first.at("recorded_buffer").get<bool>());
    // 0xA0A0 is -24416 of 32768; 160 of 8-bit is +32 of 128.
    EXPECT_NEAR(first.at("peak_dbfs").get<double>(), 20 * std::log10(24416.0 / 32768), 0.005);
    EXPECT_NEAR(results[1].at("dc_offset").get<double>(), 0.25, 1e-9);
    EXPECT_EQ(results[1].at("verdict"), "signal");
}

TEST(ProbeProgress, CountsTheFormatsDoneAndClearsItsLineAtTheEnd) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(8192, 128));
    std::ostringstream progress;
    const Outcome outcome = probe({"--format", "11025,8,1", "--format", "44100,16,2"}, &progress);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::string shown = progress.str();
    EXPECT_EQ(shown.find("\r\033[Kprobing 2 formats: 0 done"), 0u) << shown;
    EXPECT_NE(shown.find("probing 2 formats: 2 done"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K");
    EXPECT_EQ(outcome.out.find('\r'), std::string::npos); // the table itself carries none of it
}

// In a terminal of 80 columns: the usage, and the table with the results that failed under their rows.
TEST(ProbeTable, LinesFitEightyColumns) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(8192, 128));
    const Outcome help = probe({"--help"});
    EXPECT_NE(help.out.find("RATE 1000 to 384000 Hz"), std::string::npos) << help.out;
    const Outcome table = probe({});
    // A device the list holds that the layer does not know: its open fails.
    struct : CaptureDeviceCatalog {
        std::vector<CaptureDeviceInfo> captureDevices() override {
            return std::vector<CaptureDeviceInfo>(10000);
        }
    } catalog;
    AlsaWaveIn layer;
    std::ostringstream failed, unused;
    run_probe({"--device", "9999", "--format", "44100,16,2"}, layer, catalog, {failed, unused});
    EXPECT_NE(failed.str().find("\n  open: 2 Specified device identifier is out of range.\n"),
              std::string::npos);
    std::istringstream lines(help.out + table.out + failed.str());
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LT(line.size(), 80u) << line;
    }
}

TEST(ProbeExpectSignal, SilenceRecordedInFullPassesOnlyWithoutIt) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(8192, 128));
    EXPECT_EQ(probe({"--format", "11025,8,1"}).status, 0);
    const Outcome expecting = probe({"--format", "11025,8,1", "--expect-signal"});
    EXPECT_EQ(expecting.status, 1);
    EXPECT_NE(expecting.out.find("silent"), std::string::npos) << expecting.out;
}

// A card named in Latin-1 still gives a JSON document, its name's stray byte replaced.
TEST(ProbeJson, DeviceNamesThatAreNotUtf8AreReplacedNotFatal) {
    struct Latin1Catalog : CaptureDeviceCatalog {
        std::vector<CaptureDeviceInfo> captureDevices() override {
            return {{"Entr\xE9"
                     "e",
                     "ALSA", 2, 48000, true}};
        }
    } catalog;
    AlsaWaveIn unused;
    std::ostringstream out, err;
    ASSERT_EQ(run_probe({"--list-devices", "--json"}, unused, catalog, {out, err}), 0) << err.str();
    const nlohmann::json document = nlohmann::json::parse(out.str());
    EXPECT_EQ(document.at("devices").at(0).at("name"), "Entr\uFFFDe");
    EXPECT_EQ(document.at("program"), "varnel-probe");
    EXPECT_EQ("varnel-probe " + document.at("version").get<std::string>() + "\n", probe({"--version"}).out);
}

std::string contents(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProbeMetrics, GiveSecondsMinusInfinityForDigitalSilenceNoFigureWithoutDataAndEscapedNames) {
    FormatProbe silent;
    silent.format = pcm_format(44100, 16, 2);
    silent.firstDataMs = 12.5;
    silent.signal.samples = 996;
    FormatProbe refused;
    refused.format = pcm_format(22050, 8, 2);
    const std::string text =
        probe_metrics({0, CaptureDeviceInfo{"Mic \"A\\B\"\n\xE9", "ALSA"}}, {silent, refused}, {false, 0.25});
    const std::string device = "{device=\"Mic \\\"A\\\\B\\\"\\n\uFFFD\"";
    const std::string stereo = device + R"(,rate="44100",bits="16",channels="2"})";
    for (const std::string& line : {"varnel_probe_duration_seconds" + device + "} 0.2500",
                                    "varnel_probe_first_data_seconds" + stereo + " 0.0125",
                                    "varnel_probe_peak_dbfs" + stereo + " -Inf"})
        EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("varnel_probe_rms_dbfs" + device + R"(,rate="22050")"), std::string::npos) << text;
}

TEST(ProbeOutputFile, TakesTheReportInsteadOfStandardOutputAndAFailedWriteIsStatusOne) {
    const AlsaFileDevice device = AlsaFileDevice::withInput(std::vector<std::uint8_t>(8192, 160));
    const std::string file = (device.home() / "varnel.prom").string();
    EXPECT_EQ(probe({"--openmetrics", "--format", "11025,8,1", "--output", file}).out, "");
    const std::string report = contents(file);
    const std::string dc = R"(_dc_offset_ratio{device="default",rate="11025",bits="8",channels="1"} 0.25)";
    EXPECT_NE(report.find(dc), std::string::npos) << report;
    EXPECT_EQ(probe({"--bytes", "3", "--output", file}).status, 2);
    EXPECT_EQ(contents(file), report); // bad usage writes nothing
    const std::string missing = (device.home() / "missing" / "varnel.prom").string();
    const Outcome failed = probe({"--format", "11025,8,1", "--output", missing});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err,
              "varnel-probe: the output was not written to " + missing + ": No such file or directory\n");
}

} // namespace
