// A drawing surface whose pixels are kept (see KeptPixels) and shown through the window's paint: drawn on
// the kept image exactly as the client-area surface draws on the screen, each drawing call noting the
// pixels it changed. An operation that runs long (TEST's trace blocks the main loop while the device
// records) has what it drew shown as it goes, once a frame.
#pragma once

#include "platform/drawing/linux/DCSurface.h"
#include "platform/drawing/linux/KeptPixels.h"

#include <chrono>
#include <map>
#include <string>

class KeptPixelsSurface : public DrawingSurface {
public:
    explicit KeptPixelsSurface(KeptPixels& kept);
    // Has the rest shown by the main loop and hands back the input held while it drew.
    ~KeptPixelsSurface() override;

    void drawText(int x, int y, std::string_view text) override;
    void selectPen(TColor colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    using Clock = std::chrono::steady_clock;

    const wxRect& inkBox(std::string_view text);
    void showWhenDue();

    KeptPixels& kept_;
    DCSurface image_;
    wxPoint position_{0, 0};
    // Relative to a text's top-left corner: its opaque box and whatever its glyphs reach beyond it.
    std::map<std::string, wxRect, std::less<>> inkBoxes_;
    Clock::time_point nextShow_;
    bool shownWhileDrawing_ = false;
};
