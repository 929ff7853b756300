// A drawing target for tests: records every operation and paints it into a 510 x 440 pixel grid with the
// semantics of the panel's surface (end points excluded, opaque text), so tests can check exact pixels
// without a display. Text uses a fixed cell of kCellWidth x kCellHeight pixels per character.
#pragma once

#include "platform/drawing/DrawingTarget.h"

#include <map>
#include <string>
#include <vector>

struct DrawOp {
    enum class Kind { CreateSurface, ReleaseSurface, Text, Pen, Move, Line };
    DrawOp(Kind kind, int x = 0, int y = 0, std::string text = {}, TColor colour = {})
        : kind(kind), x(x), y(y), text(std::move(text)), colour(colour) {}

    Kind kind;
    int x = 0;
    int y = 0;
    std::string text;
    TColor colour{};

    friend bool operator==(const DrawOp&, const DrawOp&) = default;
};

class RasterTarget : public DrawingTarget {
public:
    static constexpr int kWidth = 510;
    static constexpr int kHeight = 440;
    static constexpr int kCellWidth = 8;
    static constexpr int kCellHeight = 16;
    // Ink drawn for the non-blank characters of a text, to tell text from background.
    static constexpr TColor kInk = TColor::Black;

    // With `forwardTo`, every operation is also carried out on that target's surfaces.
    explicit RasterTarget(DrawingTarget* forwardTo = nullptr);

    std::unique_ptr<DrawingSurface> createSurface() override;

    TColor pixel(int x, int y) const;
    // The characters still visible on the text line whose top is at y, left to right, from x on.
    std::string visibleText(int x, int y) const;
    const std::vector<DrawOp>& ops() const { return ops_; }
    std::vector<DrawOp> textsAt(int x, int y) const;
    int openSurfaces() const { return openSurfaces_; }
    void clearOps() { ops_.clear(); }

private:
    friend class RasterSurface;
    void paint(int x, int y, TColor colour);
    void text(int x, int y, const std::string& text);

    DrawingTarget* forwardTo_;
    std::vector<TColor> pixels_;
    std::map<std::pair<int, int>, char> cells_; // (y, x) of a character cell -> character
    std::vector<DrawOp> ops_;
    int openSurfaces_ = 0;
};
