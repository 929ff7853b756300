// What varnel-probe prints: a table a person reads, or one JSON document with stable field names (see
// docs/varnel-probe.1), and the list of capture devices.
#pragma once

#include "platform/wave_in/CaptureDeviceCatalog.h"
#include "probe/format_probe.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct ProbedDevice {
    unsigned id = 0;
    // Nothing when the device list does not hold the id.
    std::optional<CaptureDeviceInfo> info;
};

void print_probe_table(std::ostream& out, const ProbedDevice& device, std::uint32_t bufferBytes,
                       const std::vector<FormatProbe>& probes);
nlohmann::ordered_json probe_json(const ProbedDevice& device, std::uint32_t bufferBytes,
                                  const std::vector<FormatProbe>& probes, bool ok);

void print_device_table(std::ostream& out, const std::vector<CaptureDeviceInfo>& devices);
nlohmann::ordered_json device_json(const std::vector<CaptureDeviceInfo>& devices);
