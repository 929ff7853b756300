// The capture devices the wave-input layer can open, listed in the order of its device ids.
#pragma once

#include <string>
#include <vector>

struct CaptureDeviceInfo {
    std::string name;
    std::string hostApi;
    // 0 when the system tells them only to whoever opens the device.
    int maxInputChannels = 0;
    double defaultSampleRate = 0;
    // The system's default capture device; it is always id 0.
    bool isDefault = false;
};

class CaptureDeviceCatalog {
public:
    virtual ~CaptureDeviceCatalog() = default;

    // Element i describes device id i. Empty when there is none, or when the audio system cannot be
    // reached.
    virtual std::vector<CaptureDeviceInfo> captureDevices() = 0;
};
