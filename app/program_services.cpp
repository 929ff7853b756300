#include "app/program_services.h"

#include "platform/FileConfigRegistry.h"
#include "platform/PortAudioWaveIn.h"

PanelServices program_services() {
    static PortAudioWaveIn waveIn;
    static FileConfigRegistry registry;
    return PanelServices{waveIn, registry};
}
