// What the panel works through: the capture device, the settings store and, for tests, another drawing
// target than its own client area.
#pragma once

#include "platform/DrawingTarget.h"
#include "platform/RegistryApi.h"
#include "platform/WaveInApi.h"

struct PanelServices {
    WaveInApi& waveIn;
    RegistryApi& registry;
    DrawingTarget* drawing = nullptr; // null: the panel's own client area
};
