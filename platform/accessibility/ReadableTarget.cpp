#include "platform/accessibility/ReadableTarget.h"

#include "platform/drawing/DiscardingSurface.h"

namespace {

class ReadableSurface : public DrawingSurface {
public:
    ReadableSurface(std::unique_ptr<DrawingSurface> drawing, PanelReadout& readout)
        : drawing_(std::move(drawing)), readout_(readout) {}
    // The drawing is released first: what is told has reached the screen.
    ~ReadableSurface() override {
        drawing_.reset();
        readout_.drawingEnded();
    }

    void drawText(int x, int y, std::string_view text) override {
        drawing_->drawText(x, y, text);
        readout_.textDrawn(x, y, text);
    }
    void selectPen(TColor colour) override { drawing_->selectPen(colour); }
    void moveTo(int x, int y) override { drawing_->moveTo(x, y); }
    void lineTo(int x, int y) override { drawing_->lineTo(x, y); }

private:
    std::unique_ptr<DrawingSurface> drawing_;
    PanelReadout& readout_;
};

} // namespace

std::unique_ptr<DrawingSurface> ReadableTarget::createSurface() {
    std::unique_ptr<DrawingSurface> surface = drawing_.createSurface();
    if (dynamic_cast<DiscardingSurface*>(surface.get()) != nullptr) {
        return surface;
    }
    return std::make_unique<ReadableSurface>(std::move(surface), readout_);
}
