#include "platform/wave_in/CaptureSystem.h"
#include "platform/wave_in/windows/WinmmWaveIn.h"

std::unique_ptr<CaptureSystem> make_capture_system() {
    return std::make_unique<WinmmWaveIn>();
}
