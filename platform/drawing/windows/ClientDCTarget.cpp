#include "platform/drawing/ClientDCTarget.h"

#include "platform/drawing/DiscardingSurface.h"
#include "platform/drawing/windows/ClientDCSurface.h"

#include <wx/window.h>

std::unique_ptr<DrawingSurface> ClientDCTarget::createSurface() {
    if (!window_->IsShownOnScreen()) {
        return std::make_unique<DiscardingSurface>();
    }
    return std::make_unique<ClientDCSurface>(window_);
}
