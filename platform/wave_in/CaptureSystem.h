// The operating system's capture devices: the wave-input operations and the list of devices, in one object.
#pragma once

#include "platform/wave_in/CaptureDeviceCatalog.h"
#include "platform/wave_in/WaveInApi.h"

#include <memory>

class CaptureSystem : public WaveInApi, public CaptureDeviceCatalog {
public:
    // Lets this instance open a device that is open already, each open a stream of its own (varnel-probe
    // probes its formats side by side). A device that takes one client at a time still answers the second
    // open with MMSYSERR_ALLOCATED.
    virtual void allowConcurrentOpens() = 0;
};

// The implementation of the system the program is built for.
std::unique_ptr<CaptureSystem> make_capture_system();
