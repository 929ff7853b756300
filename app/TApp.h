// The application: owns the program's capture device and settings store, and builds the main frame with
// the control panel as its client.
#pragma once

#include "platform/settings/FileConfigRegistry.h"
#include "platform/wave_in/PortAudioWaveIn.h"

#include <wx/app.h>

class TApp : public wxApp {
public:
    bool OnInit() override;

private:
    // The toolkit deletes the application after every window is gone, so these outlive the panel that
    // works through them.
    PortAudioWaveIn waveIn_;
    FileConfigRegistry registry_;
};
