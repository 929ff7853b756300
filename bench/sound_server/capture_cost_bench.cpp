// What a capture costs the machine through a sound server, beside arecord making the same capture in the
// same run: CPU time, wake-ups (voluntary context switches of all the process's threads) and waits in
// poll() a second (counted with strace, when it is installed), for 1 s and 4 s of 11025 Hz 8-bit mono
// through the two ALSA plugins a desktop's programs go through: PipeWire's, and the pulse plugin over
// pipewire-pulse. Starts its own private PipeWire session; needs no display.
// Run: build/bench/varnel_capture_cost_bench [runs, default 3]
#include "support/SoundServerSession.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kRate = 11025;
constexpr double kCpuTargetMs = 120;
constexpr double kPollsTargetPerSecond = 100;

struct Cost {
    double cpuMs = 0;
    double wakeUpsPerSecond = 0;
};

// Runs `command` with its output thrown away; what it cost, from the kernel's count for the whole process.
Cost run(const std::vector<std::string>& command, double* seconds = nullptr) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    if (seconds != nullptr)
        *seconds = wall;
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {cpu * 1000, usage.ru_nvcsw / wall};
}

// Calls of poll() and ppoll() a second by every thread of `command`, or -1 without strace.
double polls_per_second(const std::vector<std::string>& command) {
    if (std::system("command -v strace >/dev/null") != 0)
        return -1;
    char counts[] = "/tmp/varnel-polls-XXXXXX";
    close(mkstemp(counts));
    std::vector<std::string> traced{"strace", "-f", "-c", "-e", "trace=poll,ppoll", "-o", counts};
    traced.insert(traced.end(), command.begin(), command.end());
    double seconds = 1;
    run(traced, &seconds);
    std::ifstream summary(counts);
    double calls = 0;
    for (std::string line; std::getline(summary, line);) {
        std::istringstream fields(line);
        std::string percent, time, perCall, count;
        if (line.find("total") != std::string::npos && fields >> percent >> time >> perCall >> count)
            calls = std::atof(count.c_str());
    }
    unlink(counts);
    return calls / seconds;
}

std::vector<std::string> probe(unsigned bytes) {
    return {VARNEL_PROBE_PROGRAM, "--format", std::to_string(kRate) + ",8,1", "--bytes",
            std::to_string(bytes)};
}

std::vector<std::string> arecord(unsigned bytes) {
    return {"arecord", "-q",
            "-D",      "default",
            "-t",      "raw",
            "-f",      "U8",
            "-r",      std::to_string(kRate),
            "-c",      "1",
            "-s",      std::to_string(bytes)};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char* plugin, unsigned seconds, const char* program,
             const std::vector<std::string>& command, int runs) {
    std::vector<double> cpu, wakeUps;
    for (int i = 0; i < runs; ++i) {
        const Cost cost = run(command);
        cpu.push_back(cost.cpuMs);
        wakeUps.push_back(cost.wakeUpsPerSecond);
    }
    const double polls = polls_per_second(command);
    const bool judged = seconds == 4 && std::string(program) == "varnel-probe";
    const bool onTarget = median(cpu) <= kCpuTargetMs && polls >= 0 && polls <= kPollsTargetPerSecond;
    std::printf("%-9s %3u s  %-13s %7.1f %7.1f %7.1f %12.0f %9.0f  %s\n", plugin, seconds, program,
                *std::min_element(cpu.begin(), cpu.end()), median(cpu),
                *std::max_element(cpu.begin(), cpu.end()), median(wakeUps), polls,
                judged ? (onTarget ? "on target" : "OVER") : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    SoundServerSession session;
    if (!session.unavailable().empty()) {
        std::fprintf(stderr, "%s\n", session.unavailable().c_str());
        return 1;
    }
    std::printf("%u Hz 8-bit mono from a private PipeWire session, %d runs each; CPU of the whole process\n",
                kRate, runs);
    std::printf("%-9s %5s  %-13s %7s %7s %7s %12s %9s\n", "plugin", "audio", "program", "CPU ms", "median",
                "max", "wake-ups/s", "polls/s");
    for (const char* plugin : {"pipewire", "pulse"}) {
        session.usePlugin(plugin);
        for (const unsigned seconds : {1u, 4u}) {
            measure(plugin, seconds, "varnel-probe", probe(kRate * seconds), runs);
            measure(plugin, seconds, "arecord", arecord(kRate * seconds), runs);
        }
    }
    std::printf(
        "target: a 4 s capture takes at most %.0f ms of CPU and %.0f polls a second; wake-ups: voluntary "
        "context switches of all threads; polls/s: strace -f -c (-1 without strace)\n",
        kCpuTargetMs, kPollsTargetPerSecond);
    return 0;
}
