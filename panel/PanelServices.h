// What the panel works through: the capture device, the settings store and, for tests, another drawing
// target than its own client area.
#pragma once

#include "platform/drawing/DrawingTarget.h"
#include "platform/settings/RegistryApi.h"
#include "platform/wave_in/WaveInApi.h"

struct PanelServices {
    WaveInApi& waveIn;
    RegistryApi& registry;
    DrawingTarget* drawing = nullptr; // null: the panel's own client area
};
