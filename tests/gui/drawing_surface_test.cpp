// The panel's drawing surface on the real display: pure colours, end points left out, opaque text, and
// nothing kept for repainting.
#include "platform/ClientDCSurface.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/settings.h>

namespace {

using namespace std::chrono_literals;

class DrawingSurfaceOnScreen : public ::testing::TestWithParam<ClientDCSurface::PenReuse> {
protected:
    DrawingSurfaceOnScreen() {
        frame = new wxFrame(nullptr, wxID_ANY, "surface", wxDefaultPosition, wxSize(510, 440));
        panel = new wxPanel(frame);
        panel->SetBackgroundColour(*wxWHITE);
        frame->Show();
        gui::pump_until([&] { return frame->IsShownOnScreen(); });
        gui::pump_for(300ms);
    }
    ~DrawingSurfaceOnScreen() override {
        frame->Destroy();
        gui::pump_for(50ms);
    }
    std::unique_ptr<ClientDCSurface> surface() {
        return std::make_unique<ClientDCSurface>(panel, GetParam());
    }
    void line(DrawingSurface& on, TColor colour, wxPoint from, wxPoint to) {
        on.selectPen(colour);
        on.moveTo(from.x, from.y);
        on.lineTo(to.x, to.y);
    }
    wxImage shown() {
        gui::pump_for(50ms);
        return grab_client_area(panel);
    }

    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
};

TEST_P(DrawingSurfaceOnScreen, LinesPaintPureColoursFromTheStartUpToButNotIncludingTheEnd) {
    {
        auto on = surface();
        line(*on, TColor::LtGreen, {20, 293}, {20, 229}); // a bar of byte 128
        line(*on, TColor::LtGreen, {21, 293}, {21, 166}); // byte 255
        line(*on, TColor::LtGreen, {22, 293}, {22, 293}); // bytes 0 and 1: nothing
        line(*on, TColor::LtGreen, {40, 10}, {50, 10});
        line(*on, TColor::LtGreen, {60, 20}, {56, 20});
        line(*on, TColor::LtGreen, {70, 30}, {74, 34}); // diagonal
    }
    const wxImage image = shown();
    ASSERT_TRUE(image.IsOk());
    for (int y = 230; y <= 293; ++y) {
        ASSERT_EQ(pixel_at(image, 20, y), TColor::LtGreen) << y;
    }
    EXPECT_EQ(pixel_at(image, 20, 229), TColor::White);
    EXPECT_EQ(pixel_at(image, 20, 294), TColor::White);
    EXPECT_EQ(pixel_at(image, 21, 167), TColor::LtGreen);
    EXPECT_EQ(pixel_at(image, 21, 166), TColor::White);
    EXPECT_EQ(pixel_at(image, 22, 293), TColor::White);
    for (int x = 40; x < 50; ++x) {
        ASSERT_EQ(pixel_at(image, x, 10), TColor::LtGreen) << x;
    }
    EXPECT_EQ(pixel_at(image, 50, 10), TColor::White);
    EXPECT_EQ(pixel_at(image, 10, 11), TColor::White);
    EXPECT_EQ(pixel_at(image, 60, 20), TColor::LtGreen);
    EXPECT_EQ(pixel_at(image, 57, 20), TColor::LtGreen);
    EXPECT_EQ(pixel_at(image, 56, 20), TColor::White);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixel_at(image, 70 + i, 30 + i), TColor::LtGreen) << i;
    }
    EXPECT_EQ(pixel_at(image, 74, 34), TColor::White);
    // Neighbours untouched: no antialiasing.
    EXPECT_EQ(pixel_at(image, 19, 250), TColor::White);
    EXPECT_EQ(pixel_at(image, 23, 250), TColor::White);
}

TEST_P(DrawingSurfaceOnScreen, WhiteErasesWhatGreenPainted) {
    {
        auto on = surface();
        line(*on, TColor::LtGreen, {30, 293}, {30, 167});
        line(*on, TColor::White, {30, 165}, {30, 293});
    }
    const wxImage image = shown();
    for (int y = 165; y < 293; ++y) {
        ASSERT_EQ(pixel_at(image, 30, y), TColor::White) << y;
    }
    EXPECT_EQ(pixel_at(image, 30, 293), TColor::LtGreen); // the erase leaves the baseline
}

TEST_P(DrawingSurfaceOnScreen, TextCoversItsOwnRectangleOnlyBlackOnWhite) {
    const std::string text = "Nbr 0";
    {
        auto on = surface();
        for (int y = 295; y < 330; ++y) {
            line(*on, TColor::LtGreen, {30, y}, {300, y});
        }
        on->drawText(40, 300, text);
    }
    wxClientDC measure(panel);
    measure.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    const wxSize extent = measure.GetTextExtent(text);
    const wxImage image = shown();
    int dark = 0;
    for (int y = 300; y < 300 + extent.y; ++y) {
        for (int x = 40; x < 40 + extent.x; ++x) {
            const TColor p = pixel_at(image, x, y);
            ASSERT_FALSE(p.green > 200 && p.red < 100) << "green left behind the text at " << x << "," << y;
            dark += p.red < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 15);
    EXPECT_EQ(pixel_at(image, 40 + extent.x + 2, 305), TColor::LtGreen);
    EXPECT_EQ(pixel_at(image, 38, 305), TColor::LtGreen);
    EXPECT_EQ(pixel_at(image, 60, 298), TColor::LtGreen);
}

TEST_P(DrawingSurfaceOnScreen, DrawingIsClippedAndNotRepainted) {
    {
        auto on = surface();
        line(*on, TColor::LtGreen, {100, -50}, {100, 5000});
        line(*on, TColor::LtGreen, {-10, 100}, {5000, 100});
        on->drawText(480, 100, "WAITING WAITING WAITING");
    }
    EXPECT_EQ(pixel_at(shown(), 100, 200), TColor::LtGreen);
    panel->Refresh();
    panel->Update();
    EXPECT_EQ(pixel_at(shown(), 100, 200), TColor::White);
}

INSTANTIATE_TEST_SUITE_P(PenReuse, DrawingSurfaceOnScreen,
                         ::testing::Values(ClientDCSurface::PenReuse::PerSurface,
                                           ClientDCSurface::PenReuse::PerSelection));

} // namespace
