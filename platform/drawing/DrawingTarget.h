// Where a drawing operation gets its short-lived surface from.
#pragma once

#include "platform/drawing/DrawingSurface.h"

#include <memory>

class DrawingTarget {
public:
    virtual ~DrawingTarget() = default;

    // The surface is released, with the pens selected into it, when the pointer goes.
    virtual std::unique_ptr<DrawingSurface> createSurface() = 0;
};
