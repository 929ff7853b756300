#include "panel/TFenApp.h"

#include "format/capture_format.h"
#include "format/catalogues.h"
#include "format/settings_export.h"
#include "panel/TNewListBox.h"
#include "platform/accessibility/ReadableTarget.h"
#include "platform/accessibility/control_names.h"
#include "platform/toolkit/code_page_text.h"
#include "platform/toolkit/control_style.h"
#include "platform/toolkit/current_input.h"
#include "platform/toolkit/typed_text_limit.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/settings.h>
#include <wx/toplevel.h>

namespace {

struct BoxPlace {
    int id;
    wxPoint position;
    unsigned long typedLimit; // characters a user can type into the box's edit field
};

const wxSize kFormatListSize(450, 80);
const wxPoint kFormatListPosition(30, 20);
constexpr int kBoxWidth = 80;
const wxSize kButtonSize(80, 30);

const wxPoint kRateBoxPosition(40, 120);
const BoxPlace kBitDepthBox{TFenApp::kBitDepthBoxId, wxPoint(180, 120), 5};
const BoxPlace kChannelBox{TFenApp::kChannelBoxId, wxPoint(320, 120), 1};

const wxPoint kTestButtonPosition(120, 350);
const wxPoint kQuitButtonPosition(260, 350);
constexpr const char* kTestLabel = "TEST";
constexpr const char* kQuitLabel = "Quitter";

// What a screen reader says each control is for; the buttons are named by their labels.
constexpr const char* kFormatListName = "Capture format";
constexpr const char* kRateBoxName = "Sample rate in hertz";
constexpr const char* kBitDepthBoxName = "Bit depth";
constexpr const char* kChannelBoxName = "Channels";
constexpr const char* kTestDescription = "Records one buffer from the default capture device and reports it";
constexpr const char* kQuitDescription = "Saves the chosen format for other programs and quits";

std::string selected_text(const wxItemContainerImmutable& control) {
    const int position = control.GetSelection();
    return position == wxNOT_FOUND ? std::string() : from_toolkit_text(control.GetString(position));
}

// The rate box offers its list only: no edit field, no caret, as a drop-down list looks.
wxChoice* create_list_only_box(wxWindow* panel, int id, wxPoint position) {
    auto* box = new wxChoice(panel, id, position, wxDefaultSize);
    box->SetSize(wxSize(kBoxWidth, make_compact(box)));
    return box;
}

// A box with an edit field: the limit bounds what is typed, never the entry a choice puts there.
wxComboBox* create_box(wxWindow* panel, const BoxPlace& place) {
    auto* box = new wxComboBox(panel, place.id, wxEmptyString, place.position, wxDefaultSize, 0, nullptr,
                               wxCB_DROPDOWN);
    limit_typed_text(box, place.typedLimit);
    box->SetSize(wxSize(kBoxWidth, make_compact(box)));
    make_single_tab_stop(box);
    return box;
}

wxButton* create_button(wxWindow* panel, int id, const char* label, wxPoint position) {
    auto* button = new wxButton(panel, id, label, position, kButtonSize);
    make_compact(button);
    button->SetSize(kButtonSize);
    return button;
}

template <typename TextAt> void fill_box(wxItemContainer* box, std::size_t count, TextAt text_at) {
    for (std::size_t i = 0; i < count; ++i) {
        box->Append(to_toolkit_text(text_at(static_cast<int>(i))));
    }
    box->SetSelection(0);
}

} // namespace

wxBEGIN_EVENT_TABLE(TFenApp, wxPanel)
    EVT_LISTBOX_DCLICK(TFenApp::kFormatListId, TFenApp::EvFormatChosen)
    EVT_COMMAND(TFenApp::kFormatListId, kEnterReleased, TFenApp::EvFormatChosen)
    EVT_COMBOBOX(TFenApp::kBitDepthBoxId, TFenApp::EvBitDepthChange)
    EVT_CHOICE(TFenApp::kRateBoxId, TFenApp::EvRateChange)
    EVT_COMBOBOX(TFenApp::kChannelBoxId, TFenApp::EvChannelChange)
    EVT_BUTTON(TFenApp::kTestButtonId, TFenApp::EvTest)
    EVT_BUTTON(TFenApp::kQuitButtonId, TFenApp::EvQuit)
wxEND_EVENT_TABLE()

TFenApp::TFenApp(wxWindow* frame, PanelServices services)
    : wxPanel(frame, wxID_ANY), services_(services), clientArea_(make_client_area_target(this)) {
    // The summary, status lines and trace are drawn white-backed against the window colour.
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    CreateControls();
    NameControls();
    // After the controls, so that a screen reader meets them first.
    readout_ = make_panel_readout(this);
    drawing_ = std::make_unique<ReadableTarget>(
        services.drawing != nullptr ? *services.drawing : *clientArea_, *readout_);
    SetupWindow();
}

void TFenApp::CreateControls() {
    formatList_ = new TNewListBox(this, kFormatListId, kFormatListPosition, kFormatListSize);
    rateBox_ = create_list_only_box(this, kRateBoxId, kRateBoxPosition);
    bitDepthBox_ = create_box(this, kBitDepthBox);
    channelBox_ = create_box(this, kChannelBox);
    testButton_ = create_button(this, kTestButtonId, kTestLabel, kTestButtonPosition);
    quitButton_ = create_button(this, kQuitButtonId, kQuitLabel, kQuitButtonPosition);
}

void TFenApp::NameControls() {
    name_control(formatList_, kFormatListName);
    name_control(rateBox_, kRateBoxName);
    name_control(bitDepthBox_, kBitDepthBoxName);
    name_control(channelBox_, kChannelBoxName);
    name_control(testButton_, kTestLabel, kTestDescription);
    name_control(quitButton_, kQuitLabel, kQuitDescription);
}

// Filling and selecting sends no notification: no handler runs before the closing apply.
void TFenApp::SetupWindow() {
    FillFormatList();
    formatList_->SetSelection(0);
    formatList_->SetFocus();
    fill_box(rateBox_, kRateCount, rate_text);
    fill_box(bitDepthBox_, kBitDepthCount, bit_depth_text);
    fill_box(channelBox_, kChannelCount, channel_text);
    set_default_format(g_captureFormat);
    Apply();
}

void TFenApp::FillFormatList() {
    for (std::size_t row = 0; row < kFormatRowCount; ++row) {
        formatList_->Append(to_toolkit_text(format_row_text(static_cast<int>(row))));
    }
}

PanelSelections TFenApp::CurrentSelections() const {
    return PanelSelections{formatList_->GetSelection(), selected_text(*formatList_), selected_text(*rateBox_),
                           selected_text(*channelBox_), selected_text(*bitDepthBox_)};
}

// An apply made with the keyboard is spoken: the user may not see the lines. One made with the mouse is not,
// nor the one at setup, which draws nothing.
void TFenApp::Apply() {
    const std::vector<std::string> lines = apply_selections(CurrentSelections(), g_captureFormat, *drawing_);
    if (handling_key_input()) {
        readout_->announce(lines);
    }
}

void TFenApp::CloseWindow(int /*code*/) {
    if (CanClose()) {
        wxGetTopLevelParent(this)->Close(true);
    }
}

void TFenApp::EvFormatChosen(wxCommandEvent&) {
    Apply();
}

void TFenApp::EvBitDepthChange(wxCommandEvent&) {
    if (choose_bit_depth(bitDepthBox_->GetSelection(), g_captureFormat)) {
        Apply();
    }
}

void TFenApp::EvRateChange(wxCommandEvent&) {
    if (choose_rate(rateBox_->GetSelection(), g_captureFormat)) {
        Apply();
    }
}

void TFenApp::EvChannelChange(wxCommandEvent&) {
    if (choose_channels(channelBox_->GetSelection(), g_captureFormat)) {
        Apply();
    }
}

void TFenApp::EvTest(wxCommandEvent&) {
    readout_->announce(run_capture_test(services_.waveIn, *drawing_, g_captureFormat, captureBuffer_));
}

void TFenApp::EvQuit(wxCommandEvent&) {
    export_settings(g_captureFormat, services_.registry);
    CloseWindow(0);
}
