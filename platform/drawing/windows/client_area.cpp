#include "platform/drawing/client_area.h"

#include "platform/drawing/ClientDCTarget.h"

std::unique_ptr<DrawingTarget> make_client_area_target(wxWindow* window) {
    return std::make_unique<ClientDCTarget>(window);
}
