// The probe's results as Prometheus reads them: the text exposition format that node_exporter's textfile
// collector takes, every series a gauge (see docs/varnel-probe.1 for the names).
#pragma once

#include "probe/format_probe.h"
#include "probe/probe_report.h"

#include <string>
#include <vector>

struct ProbeRun {
    // Every format passed, as the exit status 0 says.
    bool ok = false;
    double seconds = 0;
};

std::string probe_metrics(const ProbedDevice& device, const std::vector<FormatProbe>& probes,
                          const ProbeRun& run);
