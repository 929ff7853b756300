// The control panel in a real frame on the X display, with the services a test gives it, and real input
// (mouse and keys through the X server) to drive it as a user would. What the panel draws goes to the
// screen and is recorded on the way.
#pragma once

#include "panel/TFenApp.h"
#include "support/RasterTarget.h"

#include <wx/combobox.h>
#include <wx/ctrlsub.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <memory>

class PanelWindowHarness {
public:
    // The capture format record is cleared first, as at program start.
    PanelWindowHarness(WaveInApi& waveIn, RegistryApi& registry);
    ~PanelWindowHarness();
    PanelWindowHarness(const PanelWindowHarness&) = delete;
    PanelWindowHarness& operator=(const PanelWindowHarness&) = delete;

    TFenApp* panel() const { return panel_; }
    wxFrame* frame() const { return frame_; }
    // False once the frame has been destroyed.
    bool frameExists() const { return frame_ != nullptr; }
    wxListBox* formatList() const;
    // One of the three boxes: the rate box offers its list only, the other two have an edit field.
    wxControlWithItems* box(int id) const;
    wxComboBox* editableBox(int id) const;
    // The text a box shows: its edit field's, or for a list-only box the entry it draws.
    std::string shownText(int id) const;
    RasterTarget& drawing() { return *drawing_; }

    // Texts drawn at (x, y), in order, and the last of them ("<none>" when there is none).
    std::size_t textsDrawnAt(int x, int y) const { return drawing_->textsAt(x, y).size(); }
    std::string lastTextAt(int x, int y) const;

    void click(wxPoint screenPoint, bool twice = false);
    void clickControl(int id);
    void press(int key, int modifiers = wxMOD_NONE);
    // Where to click to hit a row of the format list that is in view.
    wxPoint rowPoint(int row) const;
    // Opens a box's list with its drop-down button and picks the entry at `position` with the keyboard.
    void chooseInBox(int id, int position);
    // Opens a box's list with its drop-down button and clicks the entry at `position`.
    void chooseInBoxByMouse(int id, int position);
    // Gives a box the focus, opens its list with Alt+Down and picks the entry at `position` with the keys.
    void chooseInBoxByKeyboard(int id, int position);
    bool focusIsIn(wxWindow* window) const;

private:
    class PanelClientArea;

    wxWeakRef<wxFrame> frame_;
    TFenApp* panel_ = nullptr;
    std::unique_ptr<PanelClientArea> screen_;
    std::unique_ptr<RasterTarget> drawing_;
    wxUIActionSimulator input_;
};
