// The panel's readout through the system's accessibility interface (MSAA's IAccessible, which screen
// readers and UI Automation read): the panel's accessible object lists, after its controls, one static
// text per place that holds a drawn text, in reading order, each with its text and its place on the screen.
// An announcement is a system alert whose text is the message.
#pragma once

#include "platform/accessibility/PanelReadout.h"

#include <wx/gdicmn.h>

class MsaaPanelReadout : public PanelReadout {
public:
    explicit MsaaPanelReadout(wxWindow* panel);
    ~MsaaPanelReadout() override;
    MsaaPanelReadout(const MsaaPanelReadout&) = delete;
    MsaaPanelReadout& operator=(const MsaaPanelReadout&) = delete;

    void drawingEnded() override;
    void announce(const std::vector<std::string>& lines) override;

    // What the panel's accessible object answers.
    const std::vector<DrawnTexts::Line>& lines() const { return texts_.lines(); }
    // The box a line covers, in screen coordinates.
    wxRect screenBox(const DrawnTexts::Line& line) const;
    // The text of the last announcement.
    const std::string& announcement() const { return announcement_; }

private:
    // The child number of line `index` among the panel's accessible children, after its controls.
    int childOf(int index) const;

    wxWindow* panel_;
    std::string announcement_;
};
