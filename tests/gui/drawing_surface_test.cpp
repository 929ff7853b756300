// The panel's drawing surface on the real display: pure colours, end points left out, opaque text, nothing
// kept for repainting, and the very pixels plain toolkit calls paint for a TEST press and a trace.
#include "capture/capture_on_panel.h"
#include "capture/live_trace.h"
#include "format/capture_format.h"
#include "platform/drawing/linux/ClientDCSurface.h"
#include "platform/toolkit/code_page_text.h"
#include "support/RasterTarget.h"
#include "support/ScriptedWaveIn.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/screen_pixels.h"

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/graphics.h>
#include <wx/panel.h>
#include <wx/settings.h>

#include <span>

namespace {

using namespace std::chrono_literals;

// The steps through nothing but the toolkit's calls: each text measured and painted by the toolkit's text
// call at every draw, each line (vertical, as in a press) a run of pixels without its end point.
class PlainToolkitSurface : public DrawingSurface {
public:
    explicit PlainToolkitSurface(wxWindow* window) : dc_(window) {
        dc_.GetGraphicsContext()->SetAntialiasMode(wxANTIALIAS_NONE);
        dc_.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
        dc_.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
        dc_.SetTextBackground(*wxWHITE);
        dc_.SetTextForeground(*wxBLACK);
        dc_.SetPen(*wxTRANSPARENT_PEN);
    }
    void drawText(int x, int y, std::string_view text) override { dc_.DrawText(to_toolkit_text(text), x, y); }
    void selectPen(TColor c) override { dc_.SetBrush(wxBrush(wxColour(c.red, c.green, c.blue))); }
    void moveTo(int x, int y) override { at_ = wxPoint(x, y); }
    void lineTo(int x, int y) override {
        dc_.DrawRectangle(x, std::min(at_.y, y + 1), 1, std::abs(y - at_.y));
        at_ = wxPoint(x, y);
    }

private:
    wxClientDC dc_;
    wxPoint at_;
};

// Carries out the first `count` recorded drawing calls on `on`.
void replay(const std::vector<DrawOp>& ops, std::size_t count, DrawingSurface& on) {
    for (const DrawOp& op : std::span(ops).first(count)) {
        if (op.kind == DrawOp::Kind::Text) {
            on.drawText(op.x, op.y, op.text);
        } else if (op.kind == DrawOp::Kind::Pen) {
            on.selectPen(op.colour);
        } else if (op.kind == DrawOp::Kind::Move) {
            on.moveTo(op.x, op.y);
        } else if (op.kind == DrawOp::Kind::Line) {
            on.lineTo(op.x, op.y);
        }
    }
}

// How many calls there are up to and including the `nth` "WAITING": the trace stopped with its mark up.
std::size_t through_mark(const std::vector<DrawOp>& ops, int nth) {
    auto at = ops.begin();
    for (int seen = 0; seen < nth; ++at) {
        seen += at->text == "WAITING" ? 1 : 0;
    }
    return at - ops.begin();
}

// The drawing calls of a TEST press on a device that has its bytes at once.
std::vector<DrawOp> press_calls() {
    ScriptedWaveIn::Script script;
    for (std::uint32_t i = 0; i < kCaptureLength; ++i) {
        script.recording.push_back(static_cast<std::uint8_t>(i * 37));
    }
    ScriptedWaveIn device(script);
    WAVEFORMATEX format{};
    set_default_format(format);
    CaptureBuffer buffer{};
    CaptureSession session;
    RasterTarget recorded;
    run_capture_test(device, recorded, format, buffer, session);
    return recorded.ops();
}

// Texts over green bars, one partly over another: whatever their glyphs reach outside their box shows.
std::vector<DrawOp> texts_over_bars() {
    RasterTarget recorded;
    auto on = recorded.createSurface();
    on->selectPen(TColor::LtGreen);
    for (int x = 0; x < 200; ++x) {
        on->moveTo(x, 90);
        on->lineTo(x, 0);
    }
    const struct {
        int x, y;
        const char* text;
    } texts[] = {{3, 2, "                 "}, {3, 24, "Nbr 999"}, {3, 46, "WAITING"}, {20, 52, "Wjgy|"}};
    for (const auto& text : texts) {
        on->drawText(text.x, text.y, text.text);
    }
    return recorded.ops();
}

class DrawingSurfaceOnScreen : public ::testing::Test {
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
    std::unique_ptr<ClientDCSurface> surface() { return std::make_unique<ClientDCSurface>(panel); }
    void line(DrawingSurface& on, TColor colour, wxPoint from, wxPoint to) {
        on.selectPen(colour);
        on.moveTo(from.x, from.y);
        on.lineTo(to.x, to.y);
    }
    wxImage shown() {
        gui::pump_for(50ms);
        return grab_client_area(panel);
    }
    static int differing_pixels(const wxImage& a, const wxImage& b) {
        int differ = 0;
        for (int y = 0; y < a.GetHeight(); ++y) {
            for (int x = 0; x < a.GetWidth(); ++x) {
                differ += pixel_at(a, x, y) == pixel_at(b, x, y) ? 0 : 1;
            }
        }
        return differ;
    }
    // Repaints the panel and waits until it shows its white background only; answers what it shows.
    wxImage blank() {
        wxImage white(panel->GetClientSize());
        white.SetRGB(wxRect(white.GetSize()), 255, 255, 255);
        EXPECT_TRUE(gui::pump_until([&] {
            panel->Refresh();
            panel->Update();
            return differing_pixels(grab_client_area(panel), white) == 0;
        }));
        return white;
    }

    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
};

TEST_F(DrawingSurfaceOnScreen, LinesPaintPureColoursFromTheStartUpToButNotIncludingTheEnd) {
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

TEST_F(DrawingSurfaceOnScreen, WhiteErasesWhatGreenPainted) {
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

TEST_F(DrawingSurfaceOnScreen, TextCoversItsOwnRectangleOnlyBlackOnWhite) {
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

TEST_F(DrawingSurfaceOnScreen, DrawingIsClippedAndNotRepainted) {
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

TEST_F(DrawingSurfaceOnScreen, ShowsWhatPlainToolkitCallsShowForAPressAndATraceStoppedPartway) {
    const std::vector<DrawOp> press = press_calls();
    const std::vector<DrawOp> texts = texts_over_bars();
    const struct {
        const char* name;
        const std::vector<DrawOp>& ops;
        std::size_t count;
    } cases[] = {
        {"whole press", press, press.size()},
        {"mark up in the first pass", press, through_mark(press, 1)},
        {"mark up after the trace wrapped", press, through_mark(press, 600)},
        {"between two passes", press, through_mark(press, 800) + 1},
        {"texts over bars", texts, texts.size()},
    };
    for (const auto& drawing : cases) {
        SCOPED_TRACE(drawing.name);
        const wxImage white = blank();
        {
            PlainToolkitSurface plain(panel);
            replay(drawing.ops, drawing.count, plain);
        }
        const wxImage expected = grab_client_area(panel);
        ASSERT_GT(differing_pixels(expected, white), 0) << "nothing drawn";
        blank();
        replay(drawing.ops, drawing.count, *surface());
        EXPECT_EQ(differing_pixels(grab_client_area(panel), expected), 0);
    }
}

} // namespace
