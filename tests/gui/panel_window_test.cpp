#include "format/capture_format.h"
#include "format/catalogues.h"
#include "panel/TFenApp.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/ScriptedWaveIn.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/PanelWindowHarness.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/settings.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;

class PanelWindow : public ::testing::Test {
protected:
    PanelWindow() : window(device, registry) {}

    wxListBox* list() { return window.formatList(); }
    wxControlWithItems* box(int id) { return window.box(id); }
    wxComboBox* editableBox(int id) { return window.editableBox(id); }
    std::size_t applies() const { return window.textsDrawnAt(80, 96); }
    std::string lastNumbersLine() const { return window.lastTextAt(150, 150); }
    bool focusIsIn(wxWindow* control) const { return window.focusIsIn(control); }
    void click(wxPoint point, bool twice = false) { window.click(point, twice); }
    void press(int key, int modifiers = wxMOD_NONE) { window.press(key, modifiers); }
    wxPoint rowPoint(int row) const { return window.rowPoint(row); }
    void chooseInBox(int id, int position) { window.chooseInBox(id, position); }
    // Dark pixels in the text part of a box as it is on the screen (its drop-down button left out).
    int darkPixelsIn(wxWindow* control) {
        constexpr int kButtonWidth = 26;
        constexpr int kBorder = 3;
        gui::pump_for(100ms);
        const wxImage shown = grab_client_area(panel);
        const wxRect rect = control->GetRect();
        int dark = 0;
        for (int y = rect.y + kBorder; y < rect.GetBottom() - kBorder; ++y) {
            for (int x = rect.x + kBorder; x < rect.GetRight() - kButtonWidth; ++x) {
                dark += pixel_at(shown, x, y).red < 128 ? 1 : 0;
            }
        }
        return dark;
    }

    ScriptedWaveIn device;
    RecordingRegistry registry;
    PanelWindowHarness window;
    TFenApp* panel = window.panel();
    wxFrame* frame = window.frame();
    RasterTarget* drawing = &window.drawing();
};

TEST_F(PanelWindow, ControlsSitInsideTheirPlacesInCreationOrder) {
    struct Place {
        int id;
        wxRect rect;
    };
    const Place places[] = {{100, {30, 20, 450, 80}},  {101, {40, 120, 80, 60}},  {102, {180, 120, 80, 60}},
                            {103, {320, 120, 80, 60}}, {220, {120, 350, 80, 30}}, {230, {260, 350, 80, 30}}};
    // After the six controls, the readout's host: drawn nowhere, never focused.
    const wxWindowList& children = panel->GetChildren();
    ASSERT_EQ(children.size(), 7u);
    EXPECT_FALSE(children.back()->AcceptsFocus());
    auto child = children.begin();
    for (const Place& place : places) {
        SCOPED_TRACE(place.id);
        EXPECT_EQ((*child++)->GetId(), place.id);
        wxWindow* window = panel->FindWindow(place.id);
        ASSERT_NE(window, nullptr);
        const wxRect rect = window->GetRect();
        EXPECT_EQ(rect.GetTopLeft(), place.rect.GetTopLeft());
        EXPECT_TRUE(place.rect.Contains(rect))
            << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height;
    }
    // The boxes stay clear of the numbers line below them.
    EXPECT_LE(box(102)->GetRect().GetBottom(), 149);
    EXPECT_EQ(dynamic_cast<wxButton*>(panel->FindWindow(220))->GetLabel(), "TEST");
    EXPECT_EQ(dynamic_cast<wxButton*>(panel->FindWindow(230))->GetLabel(), "Quitter");
    EXPECT_EQ(frame->GetSize(), wxSize(510, 440));
    EXPECT_EQ(panel->GetBackgroundColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
}

TEST_F(PanelWindow, StartsWithEveryListFilledTheFirstEntriesAndTheDefaultRecord) {
    ASSERT_EQ(list()->GetCount(), kFormatRowCount);
    for (unsigned row = 0; row < kFormatRowCount; ++row) {
        ASSERT_EQ(list()->GetString(row).ToStdString(), format_row_text(static_cast<int>(row))) << row;
    }
    EXPECT_EQ(list()->GetSelection(), 0);
    EXPECT_TRUE(focusIsIn(list()));
    EXPECT_EQ(window.shownText(101), "11025");
    EXPECT_EQ(window.shownText(102), "8-bit");
    EXPECT_EQ(window.shownText(103), "1");
    EXPECT_EQ(box(101)->GetCount(), 3u);
    EXPECT_EQ(box(102)->GetCount(), 2u);
    EXPECT_EQ(box(103)->GetCount(), 2u);
    EXPECT_EQ(g_captureFormat.wFormatTag, 1);
    EXPECT_EQ(g_captureFormat.nAvgBytesPerSec, 11025u);
    EXPECT_EQ(g_captureFormat.nBlockAlign, 1);
    // Setup ends with the one apply; no selection handler ran.
    EXPECT_EQ(applies(), 1u);
    EXPECT_EQ(drawing->textsAt(80, 96).front().text, "WAVE_FORMAT_PCM   11025 1 8-bit");
    EXPECT_EQ(lastNumbersLine(), " 11025  8  1 ");
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(PanelWindow, TabAndShiftTabMoveTheFocusThroughAllSixControlsAsInADialog) {
    const int order[] = {TFenApp::kFormatListId, TFenApp::kRateBoxId,    TFenApp::kBitDepthBoxId,
                         TFenApp::kChannelBoxId, TFenApp::kTestButtonId, TFenApp::kQuitButtonId};
    const auto focused = [&](int id) { return focusIsIn(panel->FindWindow(id)); };
    ASSERT_TRUE(focused(order[0]));
    for (std::size_t i = 1; i < std::size(order); ++i) {
        press(WXK_TAB);
        EXPECT_TRUE(focused(order[i])) << "Tab to control " << order[i];
    }
    for (std::size_t i = std::size(order) - 1; i > 0; --i) {
        press(WXK_TAB, wxMOD_SHIFT);
        EXPECT_TRUE(focused(order[i - 1])) << "Shift+Tab to control " << order[i - 1];
    }
    EXPECT_EQ(applies(), 1u);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(PanelWindow, SingleClickOnlySelectsALaterApplyTakesTheRow) {
    click(rowPoint(2));
    EXPECT_EQ(list()->GetSelection(), 2);
    EXPECT_EQ(applies(), 1u);
    EXPECT_EQ(g_captureFormat.wFormatTag, 1);
    chooseInBox(TFenApp::kRateBoxId, 1);
    EXPECT_EQ(applies(), 2u);
    EXPECT_EQ(g_captureFormat.wFormatTag, 2);
    EXPECT_EQ(g_captureFormat.nSamplesPerSec, 22050u);
    EXPECT_EQ(drawing->textsAt(80, 96).back().text, std::string(format_row_text(2)) + " 22050 1 8-bit");
}

TEST_F(PanelWindow, DoubleClickAppliesOnce) {
    click(rowPoint(2), true);
    EXPECT_EQ(list()->GetSelection(), 2);
    EXPECT_EQ(applies(), 2u);
    EXPECT_EQ(g_captureFormat.wFormatTag, 2);
}

TEST_F(PanelWindow, EnterReleasedInTheListAppliesOnceOtherKeysDoNot) {
    press(WXK_DOWN);
    press(WXK_DOWN);
    EXPECT_EQ(list()->GetSelection(), 2);
    EXPECT_EQ(applies(), 1u);
    press(WXK_SHIFT);
    EXPECT_EQ(applies(), 1u);
    press(WXK_RETURN);
    EXPECT_EQ(applies(), 2u);
    EXPECT_EQ(g_captureFormat.wFormatTag, 2);
    // Enter pressed a button neither: no default button.
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_TRUE(panel->IsShown());
}

TEST_F(PanelWindow, ChoosingInEachBoxAppliesOnceWithTheChosenValue) {
    chooseInBox(TFenApp::kRateBoxId, 2);
    EXPECT_EQ(applies(), 2u);
    EXPECT_EQ(lastNumbersLine(), " 44100  8  1 ");
    chooseInBox(TFenApp::kBitDepthBoxId, 1);
    EXPECT_EQ(applies(), 3u);
    EXPECT_EQ(lastNumbersLine(), " 44100  16  1 ");
    chooseInBox(TFenApp::kChannelBoxId, 1);
    EXPECT_EQ(applies(), 4u);
    EXPECT_EQ(lastNumbersLine(), " 44100  16  2 ");
    EXPECT_EQ(g_captureFormat.nBlockAlign, 4);
    EXPECT_EQ(g_captureFormat.nAvgBytesPerSec, 176400u);
}

TEST_F(PanelWindow, TypedTextIsLimitedAndChangesNothing) {
    const WAVEFORMATEX before = g_captureFormat;
    for (int id : {TFenApp::kBitDepthBoxId, TFenApp::kChannelBoxId}) {
        wxComboBox* combo = editableBox(id);
        const wxRect rect = combo->GetScreenRect();
        click(wxPoint(rect.x + 10, rect.y + rect.height / 2));
        combo->SelectAll();
        for (char c : std::string("1234567")) {
            press(c);
        }
    }
    EXPECT_EQ(window.shownText(102), "12345");
    EXPECT_EQ(window.shownText(103), "1");
    EXPECT_EQ(applies(), 1u);
    EXPECT_EQ(std::memcmp(&g_captureFormat, &before, sizeof before), 0);
}

// The rate box is a drop-down list: no edit field to type into or show a caret in, and keys typed while
// it has the focus leave its entry as it is.
TEST_F(PanelWindow, RateBoxIsAListOnlyBox) {
    GtkWidget* rate = box(101)->GetHandle();
    ASSERT_TRUE(GTK_IS_COMBO_BOX(rate));
    EXPECT_FALSE(gtk_combo_box_get_has_entry(GTK_COMBO_BOX(rate)));
    EXPECT_EQ(dynamic_cast<wxTextEntry*>(box(101)), nullptr);
    press(WXK_TAB);
    ASSERT_TRUE(focusIsIn(box(101)));
    EXPECT_FALSE(GTK_IS_EDITABLE(gtk_window_get_focus(GTK_WINDOW(frame->GetHandle()))));
    press('9');
    EXPECT_EQ(window.shownText(101), "11025");
    EXPECT_EQ(applies(), 1u);
}

// Each box shows the entry chosen from its list, whatever the typing limit of its edit field (5 and 1
// characters, less than "16-bit"), and whether the choice is made with the mouse or the keyboard.
TEST_F(PanelWindow, EachBoxShowsTheEntryChosenByMouseOrKeyboard) {
    struct Choice {
        int id;
        int position;
        const char* text;
        bool byMouse;
    };
    const Choice choices[] = {
        {TFenApp::kRateBoxId, 2, "44100", true},       {TFenApp::kBitDepthBoxId, 1, "16-bit", true},
        {TFenApp::kChannelBoxId, 1, "2", true},        {TFenApp::kRateBoxId, 1, "22050", false},
        {TFenApp::kBitDepthBoxId, 0, "8-bit", false},  {TFenApp::kChannelBoxId, 0, "1", false},
        {TFenApp::kBitDepthBoxId, 1, "16-bit", false},
    };
    std::size_t expectedApplies = 1;
    for (const Choice& choice : choices) {
        SCOPED_TRACE(testing::Message() << choice.text << (choice.byMouse ? " by mouse" : " by keyboard"));
        if (choice.byMouse) {
            window.chooseInBoxByMouse(choice.id, choice.position);
        } else {
            window.chooseInBoxByKeyboard(choice.id, choice.position);
        }
        EXPECT_EQ(applies(), ++expectedApplies);
        EXPECT_EQ(box(choice.id)->GetSelection(), choice.position);
        EXPECT_EQ(window.shownText(choice.id), choice.text);
        EXPECT_GT(darkPixelsIn(box(choice.id)), 10) << "the box shows no text";
    }
    EXPECT_EQ(lastNumbersLine(), " 22050  16  1 ");
}

TEST_F(PanelWindow, AppliedLinesAppearOnScreenAtTheirPlaces) {
    click(rowPoint(1), true);
    ASSERT_EQ(applies(), 2u);
    const wxImage shown = grab_client_area(panel);
    ASSERT_TRUE(shown.IsOk());
    const auto darkPixelsIn = [&](wxRect area) {
        int dark = 0;
        for (int y = area.y; y < area.GetBottom(); ++y) {
            for (int x = area.x; x < area.GetRight(); ++x) {
                dark += pixel_at(shown, x, y).red < 128 ? 1 : 0;
            }
        }
        return dark;
    };
    EXPECT_GT(darkPixelsIn(wxRect(80, 96, 300, 14)), 50);  // summary line
    EXPECT_GT(darkPixelsIn(wxRect(150, 150, 80, 14)), 20); // numbers line
    EXPECT_EQ(darkPixelsIn(wxRect(0, 300, 500, 60)), 0);   // no status line yet
}

// The panel applies once while it is being built, before it is on the screen: those two lines must not land
// anywhere (the toolkit would put them on the desktop at the panel's coordinates). Later applies draw in
// the panel only.
TEST(PanelOnTheDesktop, DrawsOnlyInItsOwnWindowFromStartUpOn) {
    const TColor kMark{200, 0, 200};
    const wxRect places[] = {{80, 96, 320, 20}, {150, 150, 120, 20}}; // the summary and numbers lines
    for (const wxRect& place : places) {
        paint_desktop(place, kMark);
    }
    const auto desktopUnmarked = [&] {
        int other = 0;
        for (const wxRect& place : places) {
            const wxImage shown = grab_screen(place);
            for (int y = 0; y < place.height; ++y) {
                for (int x = 0; x < place.width; ++x) {
                    other += pixel_at(shown, x, y) == kMark ? 0 : 1;
                }
            }
        }
        return other;
    };
    ASSERT_EQ(desktopUnmarked(), 0);

    std::memset(&g_captureFormat, 0, sizeof g_captureFormat);
    ScriptedWaveIn device;
    RecordingRegistry registry;
    wxWeakRef<wxFrame> frame = new wxFrame(nullptr, wxID_ANY, "Varnel ", wxPoint(620, 520), wxSize(510, 440));
    auto* panel = new TFenApp(frame, PanelServices{device, registry}); // its own client area
    frame->Show();
    frame->Raise();
    ASSERT_TRUE(gui::pump_until([&] { return frame->IsShownOnScreen() && frame->IsActive(); }));
    gui::pump_for(300ms);
    for (const wxRect& place : places) {
        ASSERT_FALSE(frame->GetScreenRect().Intersects(place)) << "the frame covers the places to look at";
    }
    EXPECT_EQ(desktopUnmarked(), 0) << "start-up drew on the desktop";

    wxUIActionSimulator().Char(WXK_RETURN); // the list has the focus: apply
    const auto summaryInPanel = [&] {
        const wxImage inPanel = grab_client_area(panel);
        int dark = 0;
        for (int x = 80; x < 200; ++x) {
            dark += pixel_at(inPanel, x, 100).red < 128 ? 1 : 0;
        }
        return dark > 5;
    };
    EXPECT_TRUE(gui::pump_until(summaryInPanel)) << "the summary line is not in the panel";
    EXPECT_EQ(desktopUnmarked(), 0) << "an apply drew on the desktop";
    frame->Destroy();
    gui::pump_for(50ms);
}

} // namespace
