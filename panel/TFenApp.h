// The control panel: the format list, the rate, bit-depth and channel boxes, TEST and Quit. It fills the
// frame, owns the capture buffer and routes the controls' notifications.
#pragma once

#include "capture/capture_on_panel.h"
#include "panel/PanelServices.h"
#include "panel/apply_step.h"
#include "platform/accessibility/PanelReadout.h"
#include "platform/drawing/client_area.h"

#include <wx/panel.h>

class TNewListBox;
class wxButton;
class wxChoice;
class wxComboBox;

class TFenApp : public wxPanel {
public:
    enum ControlId : int {
        kFormatListId = 100,
        kRateBoxId = 101,
        kBitDepthBoxId = 102,
        kChannelBoxId = 103,
        kTestButtonId = 220,
        kQuitButtonId = 230,
    };

    TFenApp(wxWindow* frame, PanelServices services);

    // The panel never refuses to close.
    bool CanClose() const { return true; }
    // Closes the panel and, with it, the frame around it.
    void CloseWindow(int code);

    const CaptureBuffer& captureBuffer() const { return captureBuffer_; }

private:
    // Reads the four selections into the capture format and draws the summary and numbers lines.
    void Apply();
    void CreateControls();
    void NameControls();
    void SetupWindow();
    void FillFormatList();
    PanelSelections CurrentSelections() const;

    // A row double-clicked, or Enter released in the list.
    void EvFormatChosen(wxCommandEvent& event);
    void EvBitDepthChange(wxCommandEvent& event);
    void EvRateChange(wxCommandEvent& event);
    void EvChannelChange(wxCommandEvent& event);
    void EvTest(wxCommandEvent& event);
    void EvQuit(wxCommandEvent& event);

    TNewListBox* formatList_ = nullptr;
    wxChoice* rateBox_ = nullptr;
    wxComboBox* bitDepthBox_ = nullptr;
    wxComboBox* channelBox_ = nullptr;
    wxButton* testButton_ = nullptr;
    wxButton* quitButton_ = nullptr;
    CaptureBuffer captureBuffer_{};

    PanelServices services_;
    std::unique_ptr<DrawingTarget> clientArea_;
    // What a screen reader finds of the panel: each text drawn through drawing_ is read there too.
    std::unique_ptr<PanelReadout> readout_;
    std::unique_ptr<DrawingTarget> drawing_;

    wxDECLARE_EVENT_TABLE();
};
