#include "platform/accessibility/DrawnTexts.h"

#include <algorithm>
#include <tuple>

namespace {

bool reads_before(const DrawnTexts::Line& line, int x, int y) {
    return std::tie(line.y, line.x) < std::tie(y, x);
}

bool is_blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::vector<DrawnTexts::Line>::const_iterator place_of(const std::vector<DrawnTexts::Line>& lines, int x,
                                                       int y) {
    return std::lower_bound(lines.begin(), lines.end(), std::pair{x, y},
                            [](const DrawnTexts::Line& line, std::pair<int, int> place) {
                                return reads_before(line, place.first, place.second);
                            });
}

} // namespace

void DrawnTexts::drawn(int x, int y, std::string_view text) {
    const auto at = lines_.begin() + (place_of(lines_, x, y) - lines_.begin());
    const bool held = at != lines_.end() && at->x == x && at->y == y;
    if (is_blank(text)) {
        if (held) {
            lines_.erase(at);
        }
    } else if (held) {
        at->text.assign(text);
    } else {
        lines_.insert(at, Line{x, y, std::string(text)});
    }
}

int DrawnTexts::indexOf(int x, int y) const {
    const auto at = place_of(lines_, x, y);
    return at != lines_.end() && at->x == x && at->y == y ? static_cast<int>(at - lines_.begin()) : -1;
}

// Both lists are in reading order: one walk through them side by side pairs each place with itself.
DrawnTexts::Changes DrawnTexts::takeChanges() {
    Changes changes;
    std::size_t before = 0;
    std::size_t now = 0;
    while (before < told_.size() || now < lines_.size()) {
        if (now == lines_.size() ||
            (before < told_.size() && reads_before(told_[before], lines_[now].x, lines_[now].y))) {
            const Line& gone = told_[before];
            changes.removed.insert(changes.removed.begin(), Change{int(before++), gone.x, gone.y, gone.text});
        } else if (before == told_.size() || reads_before(lines_[now], told_[before].x, told_[before].y)) {
            const Line& come = lines_[now];
            changes.added.push_back(Change{int(now++), come.x, come.y, {}});
        } else {
            if (told_[before].text != lines_[now].text) {
                changes.rewritten.push_back(
                    Change{int(now), lines_[now].x, lines_[now].y, told_[before].text});
            }
            ++before;
            ++now;
        }
    }
    told_ = lines_;
    return changes;
}
