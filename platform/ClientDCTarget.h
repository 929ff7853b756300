// Hands out client-area surfaces of one window.
#pragma once

#include "platform/ClientDCSurface.h"
#include "platform/DrawingTarget.h"

class wxWindow;

class ClientDCTarget : public DrawingTarget {
public:
    explicit ClientDCTarget(wxWindow* window,
                            ClientDCSurface::PenReuse reuse = ClientDCSurface::PenReuse::PerSurface)
        : window_(window), reuse_(reuse) {}

    std::unique_ptr<DrawingSurface> createSurface() override {
        return std::make_unique<ClientDCSurface>(window_, reuse_);
    }

private:
    wxWindow* window_;
    ClientDCSurface::PenReuse reuse_;
};
