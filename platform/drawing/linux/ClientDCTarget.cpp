#include "platform/drawing/ClientDCTarget.h"

#include "platform/drawing/DiscardingSurface.h"
#include "platform/drawing/linux/ClientDCSurface.h"

#include <wx/window.h>

// A client-area context of a window that is not shown, or has no window of its own on the display yet,
// falls back to the whole screen: what the panel draws while it is being built would land on the
// desktop, at the panel's coordinates, and stay there.
std::unique_ptr<DrawingSurface> ClientDCTarget::createSurface() {
    if (!window_->IsShownOnScreen() || window_->GTKGetDrawingWindow() == nullptr) {
        return std::make_unique<DiscardingSurface>();
    }
    return std::make_unique<ClientDCSurface>(window_);
}
