// The texts drawn on a window, each at its place, as a screen reader is to find them: the last text drawn
// at a place stands there until another is drawn at the same place. A text of blanks only, drawn to erase
// what stood there, leaves its place empty. A repaint that erases the pixels leaves the texts as they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class DrawnTexts {
public:
    struct Line {
        int x;
        int y;
        std::string text;

        friend bool operator==(const Line&, const Line&) = default;
    };

    // A place whose text changed: its index among the lines, and the text it held when last told.
    struct Change {
        int index;
        int x;
        int y;
        std::string before;

        friend bool operator==(const Change&, const Change&) = default;
    };
    // What changed since the last call to takeChanges(), by index into the lines before it (removed, from
    // the last to the first) and into the lines now (added and rewritten, from the first to the last): taken
    // in that order, removals then additions, each index stays right as the others are applied.
    struct Changes {
        std::vector<Change> removed;
        std::vector<Change> added;
        std::vector<Change> rewritten;

        bool empty() const { return removed.empty() && added.empty() && rewritten.empty(); }
    };

    // `text` drawn with its top-left corner at (x, y).
    void drawn(int x, int y, std::string_view text);

    // The places that hold a text, in reading order: top to bottom, then left to right.
    const std::vector<Line>& lines() const { return lines_; }
    // The index of the place (x, y) among lines(), or -1 when it holds no text.
    int indexOf(int x, int y) const;

    Changes takeChanges();

private:
    std::vector<Line> lines_;
    std::vector<Line> told_; // the lines as the last takeChanges() left them
};
