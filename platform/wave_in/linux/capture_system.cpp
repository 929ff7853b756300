#include "platform/wave_in/CaptureSystem.h"
#include "platform/wave_in/linux/AlsaWaveIn.h"

std::unique_ptr<CaptureSystem> make_capture_system() {
    return std::make_unique<AlsaWaveIn>();
}
