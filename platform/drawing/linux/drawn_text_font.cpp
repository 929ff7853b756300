#include "platform/drawing/linux/drawn_text_font.h"

#include <gdk/gdk.h>

namespace {

// What the toolkit's own default interface font ("Sans 10") measures at the usual 96 dots an inch:
// 10 points of 1/72 inch, so the lines look as they always have on an unscaled desktop.
constexpr double kTextPixelSize = 10.0 * 96.0 / 72.0;
constexpr double kPointsPerInch = 72.0;
constexpr double kUsualResolution = 96.0;
// Not the desktop's interface font: the busy mark is erased by 17 blanks drawn over it, and the narrow blanks
// of some interface fonts (GNOME's Cantarell) leave the end of the mark standing.
constexpr const char* kFamily = "Sans";

// Dots an inch the toolkit turns font points into pixels with: 96 times the desktop's text scale.
double text_resolution() {
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    return resolution > 0 ? resolution : kUsualResolution;
}

} // namespace

// The toolkit sizes its fonts in points (an absolute size in pixels does not survive its font object), so
// the size in points is the one that gives the pixel size at the resolution texts are drawn at.
wxFont drawn_text_font() {
    return wxFont(wxFontInfo(kTextPixelSize * kPointsPerInch / text_resolution()).FaceName(kFamily));
}
