#include "app/program_services.h"

#include "platform/FileConfigRegistry.h"
#include "platform/PortAudioWaveIn.h"

namespace {

PortAudioWaveIn& program_wave_in() {
    static PortAudioWaveIn waveIn;
    return waveIn;
}

} // namespace

PanelServices program_services() {
    static FileConfigRegistry registry;
    return PanelServices{program_wave_in(), registry};
}

void start_audio_in_background() {
    program_wave_in().startInBackground();
}
