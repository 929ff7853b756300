#include "platform/drawing/linux/KeptPixelsTarget.h"

#include "platform/drawing/DiscardingSurface.h"
#include "platform/drawing/linux/KeptPixelsSurface.h"

#include <wx/window.h>

std::unique_ptr<DrawingSurface> KeptPixelsTarget::createSurface() {
    if (!window_->IsShownOnScreen() || window_->GTKGetDrawingWindow() == nullptr) {
        return std::make_unique<DiscardingSurface>();
    }
    return std::make_unique<KeptPixelsSurface>(kept_);
}
