// The panel's readout through ATK, which the AT-SPI bridge serves to screen readers: a status bar holding
// one label per place that holds a drawn text, in reading order, each with its text and its place on the
// screen. It hangs from a widget of its own, one pixel in the panel's top-left corner that no drawing
// reaches, which draws nothing and takes no focus.
#pragma once

#include "platform/accessibility/PanelReadout.h"

#include <atk/atk.h>
#include <wx/gdicmn.h>

#include <map>
#include <utility>

class wxNativeWindow;

class AtkPanelReadout : public PanelReadout {
public:
    explicit AtkPanelReadout(wxWindow* panel);
    ~AtkPanelReadout() override;
    AtkPanelReadout(const AtkPanelReadout&) = delete;
    AtkPanelReadout& operator=(const AtkPanelReadout&) = delete;

    void drawingEnded() override;
    void announce(const std::vector<std::string>& lines) override;

    // What the accessible objects answer, asked as a screen reader asks.
    int lineCount() const { return static_cast<int>(texts_.lines().size()); }
    // The label of line `index`, owned by the readout; null past the last line.
    AtkObject* lineLabel(int index);
    int indexOf(int x, int y) const { return texts_.indexOf(x, y); }
    // The text at (x, y) in UTF-8; empty when the place holds none.
    std::string textAt(int x, int y) const;
    // The box the text at (x, y) covers, in the panel's coordinates.
    wxRect boxAt(int x, int y) const;

private:
    AtkObject* status();
    AtkObject* labelAt(int x, int y);

    wxWindow* panel_;
    wxNativeWindow* host_;
    // One label a place, made when the place first holds a text and kept: a screen reader may hold on to it.
    std::map<std::pair<int, int>, AtkObject*> labels_;
};
