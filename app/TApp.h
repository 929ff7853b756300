// The application: owns the program's capture device and settings store, and builds the main frame with
// the control panel as its client.
#pragma once

#include "platform/settings/user_registry.h"
#include "platform/wave_in/CaptureSystem.h"

#include <wx/app.h>

#include <memory>

class TApp : public wxApp {
public:
    bool OnInit() override;

private:
    // The toolkit deletes the application after every window is gone, so these outlive the panel that
    // works through them.
    std::unique_ptr<CaptureSystem> waveIn_ = make_capture_system();
    std::unique_ptr<RegistryApi> registry_ = make_user_registry();
};
