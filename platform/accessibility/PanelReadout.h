// What a screen reader finds of the panel beyond its controls: every text drawn on it, as text at its
// place, from the moment it is drawn; and results announced as they come. Nothing of it is drawn.
#pragma once

#include "platform/accessibility/DrawnTexts.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class wxWindow;

class PanelReadout {
public:
    virtual ~PanelReadout() = default;

    // `text` has been drawn on the panel with its top-left corner at (x, y).
    void textDrawn(int x, int y, std::string_view text) { texts_.drawn(x, y, text); }
    // Tells assistive technologies what the drawings changed since they were last told. Called when a
    // drawing operation ends, so that a trace's two thousand drawings of its busy mark make no noise; what
    // a screen reader asks for meanwhile is answered as drawn.
    virtual void drawingEnded() = 0;
    // Has the screen reader speak `lines`, in order, wherever the focus is.
    virtual void announce(const std::vector<std::string>& lines) = 0;

protected:
    DrawnTexts texts_;
};

// The readout of `panel`, which must outlive it.
std::unique_ptr<PanelReadout> make_panel_readout(wxWindow* panel);
