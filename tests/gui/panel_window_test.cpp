#include "format/capture_format.h"
#include "format/catalogues.h"
#include "panel/TFenApp.h"
#include "platform/ClientDCSurface.h"
#include "support/GuiTestEnvironment.h"
#include "support/RasterTarget.h"
#include "support/RecordingRegistry.h"
#include "support/ScriptedWaveIn.h"
#include "support/screen_pixels.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/settings.h>
#include <wx/uiaction.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;

// Draws on the client area of the frame's panel, found once the panel exists.
class FramePanelArea : public DrawingTarget {
public:
    explicit FramePanelArea(wxFrame* frame) : frame_(frame) {}
    std::unique_ptr<DrawingSurface> createSurface() override {
        return std::make_unique<ClientDCSurface>(frame_->GetChildren().front());
    }

private:
    wxFrame* frame_;
};

class PanelWindow : public ::testing::Test {
protected:
    PanelWindow() {
        std::memset(&g_captureFormat, 0, sizeof g_captureFormat);
        frame = new wxFrame(nullptr, wxID_ANY, "Varnel ", wxDefaultPosition, wxSize(510, 440));
        screen = std::make_unique<FramePanelArea>(frame);
        drawing = std::make_unique<RasterTarget>(screen.get());
        panel = new TFenApp(frame, PanelServices{device, registry, drawing.get()});
        frame->Show();
        frame->Raise();
        gui::pump_until([&] { return frame->IsShownOnScreen() && frame->IsActive(); });
        gui::pump_for(300ms);
    }
    ~PanelWindow() override {
        frame->Destroy();
        gui::pump_for(50ms);
    }

    template <typename T> T* control(int id) { return dynamic_cast<T*>(panel->FindWindow(id)); }
    wxListBox* list() { return control<wxListBox>(TFenApp::kFormatListId); }
    wxComboBox* box(int id) { return control<wxComboBox>(id); }
    std::size_t applies() const { return drawing->textsAt(80, 96).size(); }
    std::string lastNumbersLine() const {
        const auto texts = drawing->textsAt(150, 150);
        return texts.empty() ? std::string() : texts.back().text;
    }
    bool focusIsIn(wxWindow* window) const {
        for (wxWindow* focus = wxWindow::FindFocus(); focus != nullptr; focus = focus->GetParent()) {
            if (focus == window) {
                return true;
            }
        }
        return false;
    }

    // Real input, through the X server, as a user gives it.
    wxPoint rowPoint(int row) {
        wxListBox* formats = list();
        int first = -1;
        int last = -1;
        for (int y = 0; y < formats->GetClientSize().y; ++y) {
            if (formats->HitTest(wxPoint(40, y)) == row) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        if (last - first > 8) {
            return formats->ClientToScreen(wxPoint(40, (first + last) / 2));
        }
        ADD_FAILURE() << "row " << row << " is not visible";
        return {};
    }
    void click(wxPoint screenPoint, bool twice = false) {
        input.MouseMove(screenPoint);
        gui::pump_for(50ms);
        input.MouseClick();
        if (twice) {
            gui::pump_for(50ms);
            input.MouseClick();
        }
        gui::pump_for(300ms);
    }
    void press(int key, int modifiers = wxMOD_NONE) {
        input.Char(key, modifiers);
        gui::pump_for(200ms);
    }
    void chooseInBox(int id, int position) {
        wxComboBox* combo = box(id);
        const wxRect rect = combo->GetScreenRect();
        click(wxPoint(rect.GetRight() - 6, rect.y + rect.height / 2)); // the drop-down button
        gui::pump_for(300ms);
        for (int step = combo->GetSelection(); step < position; ++step) {
            press(WXK_DOWN);
        }
        press(WXK_RETURN);
    }

    ScriptedWaveIn device;
    RecordingRegistry registry;
    std::unique_ptr<FramePanelArea> screen;
    std::unique_ptr<RasterTarget> drawing;
    wxFrame* frame = nullptr;
    TFenApp* panel = nullptr;
    wxUIActionSimulator input;
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
    EXPECT_EQ(control<wxButton>(220)->GetLabel(), "TEST");
    EXPECT_EQ(control<wxButton>(230)->GetLabel(), "Quitter");
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
