// How long a TEST press blocks the window, and what one pass of the live trace costs, drawn on the real
// window (needs a display: X, e.g. under xvfb-run, or Wayland) with pens made once per test or at every
// selection. The press draws through the panel's own client-area target, so on GTK's Wayland backend it
// measures the kept-pixels surface (bench/wayland_bench.sh runs it on both backends in one run).
// Run: build/bench/varnel_bench
#include "bench_window.h"
#include "capture/capture_on_panel.h"
#include "capture/live_trace.h"
#include "format/capture_format.h"
#include "panel/TFenApp.h"
#include "platform/drawing/client_area.h"
#include "platform/drawing/linux/ClientDCSurface.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"
#include "support/AlsaFileDevice.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/ScriptedWaveIn.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <cstdio>

namespace {

wxPanel* g_panel = nullptr;
constexpr int kMostMappingYields = 100000;

CaptureBuffer& silence() {
    static CaptureBuffer buffer{};
    for (CaptureByte& byte : buffer) {
        byte.store(128);
    }
    return buffer;
}

// The trace of bytes already there: nothing is queued, so no pass waits.
DeliveryWait no_wait() {
    static const WAVEHDR idle;
    static ScriptedWaveIn device;
    return DeliveryWait(device, nullptr, idle, DeliveryWait::Clock::now());
}

void report_per_pass(benchmark::State& state) {
    state.counters["per_pass_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kCaptureLength,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_TraceOnWindow(benchmark::State& state) {
    const CaptureBuffer& buffer = silence();
    for (auto _ : state) {
        ClientDCSurface surface(g_panel);
        draw_live_trace(surface, buffer, no_wait());
        wxTheApp->Yield(true); // let the display take the drawing, as the message loop would
    }
    report_per_pass(state);
}
BENCHMARK(BM_TraceOnWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TraceLogicOnly(benchmark::State& state) {
    const CaptureBuffer& buffer = silence();
    RasterTarget raster;
    for (auto _ : state) {
        auto surface = raster.createSurface();
        draw_live_trace(*surface, buffer, no_wait());
        raster.clearOps();
    }
    report_per_pass(state);
}
BENCHMARK(BM_TraceLogicOnly)->Unit(benchmark::kMillisecond);

// Presses TEST over and over on the window, as the panel does, and answers the last count recorded.
std::uint32_t press_test_repeatedly(benchmark::State& state, WaveInApi& device) {
    WAVEFORMATEX format{};
    set_default_format(format);
    CaptureBuffer buffer{};
    CaptureSession session;
    const std::unique_ptr<DrawingTarget> window = make_client_area_target(g_panel);
    for (auto _ : state) {
        run_capture_test(device, *window, format, buffer, session);
        wxTheApp->Yield(true); // the display takes the drawing, as the message loop would
    }
    return session.header.dwBytesRecorded.load();
}

// The whole TEST press with a device that has its bytes ready at once: the time the window is blocked.
void BM_CaptureTestBlocking(benchmark::State& state) {
    ScriptedWaveIn::Script script;
    script.recording.assign(kCaptureLength, 200);
    ScriptedWaveIn device(script);
    state.counters["bytes_recorded"] = press_test_repeatedly(state, device);
}
BENCHMARK(BM_CaptureTestBlocking)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same press recording through ALSA, from a file-backed device that is not paced.
void BM_CaptureTestRealDevice(benchmark::State& state) {
    const AlsaFileDevice source = AlsaFileDevice::withInput(std::vector<std::uint8_t>(200000, 128));
    AlsaWaveIn device;
    state.counters["bytes_recorded"] = press_test_repeatedly(state, device);
}
BENCHMARK(BM_CaptureTestRealDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

// A TEST press on the program's own panel, delivered as a click is: what it draws, what it gives the screen
// readers' readout and what it announces. The time is the press's blocking time alone; what the main loop
// does after it (the display's work, the accessibility bus's requests) is the counter after_press_ms.
// bench/accessibility_bench.sh runs it with the accessibility bus and a listener beside, and without.
void BM_PanelPressBlocking(benchmark::State& state) {
    ScriptedWaveIn::Script script;
    script.recording.assign(kCaptureLength, 200);
    ScriptedWaveIn device(script);
    RecordingRegistry registry;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Varnel ", wxDefaultPosition, wxSize(510, 440));
    auto* panel = new TFenApp(frame, PanelServices{device, registry});
    frame->Show();
    for (int i = 0; i < kMostMappingYields && !panel->IsShownOnScreen(); ++i) {
        wxTheApp->Yield(true);
    }
    wxWindow* test = panel->FindWindow(TFenApp::kTestButtonId);
    std::chrono::duration<double> afterPress{0};
    for (auto _ : state) {
        wxCommandEvent click(wxEVT_BUTTON, TFenApp::kTestButtonId);
        click.SetEventObject(test);
        const auto start = std::chrono::steady_clock::now();
        test->ProcessWindowEvent(click);
        const auto pressed = std::chrono::steady_clock::now();
        wxTheApp->Yield(true);
        afterPress += std::chrono::steady_clock::now() - pressed;
        state.SetIterationTime(std::chrono::duration<double>(pressed - start).count());
    }
    state.counters["after_press_ms"] = 1000 * afterPress.count() / static_cast<double>(state.iterations());
    frame->Destroy();
    wxTheApp->Yield(true);
}
BENCHMARK(BM_PanelPressBlocking)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_panel = open_bench_window(argv[0]);
    if (g_panel == nullptr)
        return 1;
    // A compositor maps the frame in its own time; until then the panel draws nothing.
    for (int i = 0; i < kMostMappingYields && !g_panel->IsShownOnScreen(); ++i) {
        wxTheApp->Yield(true);
    }
    benchmark::RunSpecifiedBenchmarks();
    close_bench_window(g_panel);
    return 0;
}
