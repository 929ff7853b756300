#include "support/RasterTarget.h"

#include <cstdlib>

class RasterSurface : public DrawingSurface {
public:
    RasterSurface(RasterTarget& target, std::unique_ptr<DrawingSurface> forward)
        : target_(target), forward_(std::move(forward)) {
        ++target_.openSurfaces_;
        target_.ops_.push_back({DrawOp::Kind::CreateSurface});
    }
    ~RasterSurface() override {
        --target_.openSurfaces_;
        target_.ops_.push_back({DrawOp::Kind::ReleaseSurface});
    }

    void drawText(int x, int y, std::string_view text) override {
        target_.ops_.push_back({DrawOp::Kind::Text, x, y, std::string(text)});
        target_.text(x, y, std::string(text));
        if (forward_) {
            forward_->drawText(x, y, text);
        }
    }
    void selectPen(TColor colour) override {
        target_.ops_.push_back({DrawOp::Kind::Pen, 0, 0, {}, colour});
        pen_ = colour;
        if (forward_) {
            forward_->selectPen(colour);
        }
    }
    void moveTo(int x, int y) override {
        target_.ops_.push_back({DrawOp::Kind::Move, x, y});
        x_ = x;
        y_ = y;
        if (forward_) {
            forward_->moveTo(x, y);
        }
    }
    void lineTo(int x, int y) override {
        target_.ops_.push_back({DrawOp::Kind::Line, x, y, {}, pen_});
        // Bresenham from the current position, the end point left out.
        const int dx = std::abs(x - x_), sx = x_ < x ? 1 : -1;
        const int dy = -std::abs(y - y_), sy = y_ < y ? 1 : -1;
        int error = dx + dy;
        while (x_ != x || y_ != y) {
            target_.paint(x_, y_, pen_);
            const int doubled = 2 * error;
            if (doubled >= dy) {
                error += dy;
                x_ += sx;
            }
            if (doubled <= dx) {
                error += dx;
                y_ += sy;
            }
        }
        if (forward_) {
            forward_->lineTo(x, y);
        }
    }

private:
    RasterTarget& target_;
    std::unique_ptr<DrawingSurface> forward_;
    TColor pen_ = TColor::Black;
    int x_ = 0;
    int y_ = 0;
};

RasterTarget::RasterTarget(DrawingTarget* forwardTo)
    : forwardTo_(forwardTo), pixels_(static_cast<std::size_t>(kWidth * kHeight), TColor::White) {}

std::unique_ptr<DrawingSurface> RasterTarget::createSurface() {
    return std::make_unique<RasterSurface>(*this, forwardTo_ ? forwardTo_->createSurface() : nullptr);
}

TColor RasterTarget::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) {
        return TColor::White;
    }
    return pixels_[static_cast<std::size_t>(y * kWidth + x)];
}

void RasterTarget::paint(int x, int y, TColor colour) {
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) { // clipped to the panel
        pixels_[static_cast<std::size_t>(y * kWidth + x)] = colour;
    }
}

void RasterTarget::text(int x, int y, const std::string& text) {
    const int right = x + kCellWidth * static_cast<int>(text.size());
    for (auto it = cells_.lower_bound({y, x - kCellWidth + 1});
         it != cells_.end() && it->first.first == y && it->first.second < right;) {
        it = cells_.erase(it);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int left = x + kCellWidth * static_cast<int>(i);
        cells_[{y, left}] = text[i];
        for (int row = y; row < y + kCellHeight; ++row) {
            for (int column = left; column < left + kCellWidth; ++column) {
                // One ink pixel in the middle of each non-blank character, background elsewhere.
                const bool ink =
                    text[i] != ' ' && row == y + kCellHeight / 2 && column == left + kCellWidth / 2;
                paint(column, row, ink ? kInk : TColor::White);
            }
        }
    }
}

std::string RasterTarget::visibleText(int x, int y) const {
    std::string visible;
    for (auto it = cells_.lower_bound({y, x}); it != cells_.end() && it->first.first == y; ++it) {
        visible += it->second;
    }
    return visible;
}

std::vector<DrawOp> RasterTarget::textsAt(int x, int y) const {
    std::vector<DrawOp> found;
    for (const DrawOp& op : ops_) {
        if (op.kind == DrawOp::Kind::Text && op.x == x && op.y == y) {
            found.push_back(op);
        }
    }
    return found;
}
