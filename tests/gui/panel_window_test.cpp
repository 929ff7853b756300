#include "format/capture_format.h"
#include "format/catalogues.h"
#include "panel/TFenApp.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/ScriptedWaveIn.h"
#include "support/gui/PanelWindowHarness.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/settings.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;

class PanelWindow : public ::testing::Test {
protected:
    PanelWindow() : window(device, registry) {}

    wxListBox* list() { return window.formatList(); }
    wxComboBox* box(int id) { return window.box(id); }
    std::size_t applies() const { return window.textsDrawnAt(80, 96); }
    std::string lastNumbersLine() const { return window.lastTextAt(150, 150); }
    bool focusIsIn(wxWindow* control) const { return window.focusIsIn(control); }
    void click(wxPoint point, bool twice = false) { window.click(point, twice); }
    void press(int key, int modifiers = wxMOD_NONE) { window.press(key, modifiers); }
    wxPoint rowPoint(int row) const { return window.rowPoint(row); }
    void chooseInBox(int id, int position) { window.chooseInBox(id, position); }

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
    const wxWindowList& children = panel->GetChildren();
    ASSERT_EQ(children.size(), 6u);
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
    EXPECT_EQ(box(101)->GetValue(), "11025");
    EXPECT_EQ(box(102)->GetValue(), "8-bit");
    EXPECT_EQ(box(103)->GetValue(), "1");
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

TEST_F(PanelWindow, TabAndShiftTabMoveTheFocusAsInADialog) {
    ASSERT_TRUE(focusIsIn(list()));
    press(WXK_TAB);
    EXPECT_TRUE(focusIsIn(box(101)));
    press(WXK_TAB);
    EXPECT_TRUE(focusIsIn(box(102)));
    press(WXK_TAB, wxMOD_SHIFT);
    EXPECT_TRUE(focusIsIn(box(101)));
    press(WXK_TAB, wxMOD_SHIFT);
    EXPECT_TRUE(focusIsIn(list()));
    EXPECT_EQ(applies(), 1u);
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
        wxComboBox* combo = box(id);
        const wxRect rect = combo->GetScreenRect();
        click(wxPoint(rect.x + 10, rect.y + rect.height / 2));
        combo->SelectAll();
        for (char c : std::string("1234567")) {
            press(c);
        }
    }
    EXPECT_EQ(box(102)->GetValue(), "12345");
    EXPECT_EQ(box(103)->GetValue(), "1");
    EXPECT_EQ(applies(), 1u);
    EXPECT_EQ(std::memcmp(&g_captureFormat, &before, sizeof before), 0);
    // The rate box offers only its list.
    const wxRect rate = box(101)->GetScreenRect();
    click(wxPoint(rate.x + 10, rate.y + rate.height / 2));
    press('9');
    EXPECT_EQ(box(101)->GetValue(), "11025");
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

} // namespace
