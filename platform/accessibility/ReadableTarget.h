// A drawing target whose texts a screen reader finds: each text drawn through it is given to the panel's
// readout, at its place, as it is drawn. The drawing itself goes on to the target underneath unchanged.
#pragma once

#include "platform/accessibility/PanelReadout.h"
#include "platform/drawing/DrawingTarget.h"

class ReadableTarget : public DrawingTarget {
public:
    // Both must outlive the target.
    ReadableTarget(DrawingTarget& drawing, PanelReadout& readout) : drawing_(drawing), readout_(readout) {}

    // A surface that draws nothing (the window is not on the screen yet) gives the readout nothing either.
    std::unique_ptr<DrawingSurface> createSurface() override;

private:
    DrawingTarget& drawing_;
    PanelReadout& readout_;
};
