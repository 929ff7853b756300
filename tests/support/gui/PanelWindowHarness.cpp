#include "support/gui/PanelWindowHarness.h"

#include "format/capture_format.h"
#include "platform/drawing/ClientDCTarget.h"
#include "support/gui/GuiTestEnvironment.h"
#include "support/gui/popup_list.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>

using namespace std::chrono_literals;

// Draws as the panel itself does, on the client area of the frame's panel, found once the panel exists:
// the panel draws while it is being built.
class PanelWindowHarness::PanelClientArea : public DrawingTarget {
public:
    explicit PanelClientArea(wxFrame* frame) : frame_(frame) {}
    std::unique_ptr<DrawingSurface> createSurface() override {
        return ClientDCTarget(frame_->GetChildren().front()).createSurface();
    }

private:
    wxFrame* frame_;
};

PanelWindowHarness::PanelWindowHarness(WaveInApi& waveIn, RegistryApi& registry) {
    std::memset(&g_captureFormat, 0, sizeof g_captureFormat);
    frame_ = new wxFrame(nullptr, wxID_ANY, "Varnel ", wxDefaultPosition, wxSize(510, 440));
    screen_ = std::make_unique<PanelClientArea>(frame_);
    drawing_ = std::make_unique<RasterTarget>(screen_.get());
    panel_ = new TFenApp(frame_, PanelServices{waveIn, registry, drawing_.get()});
    frame_->Show();
    frame_->Raise();
    gui::pump_until([&] { return frame_->IsShownOnScreen() && frame_->IsActive(); });
    gui::pump_for(300ms);
}

PanelWindowHarness::~PanelWindowHarness() {
    if (frame_ != nullptr) {
        frame_->Destroy();
    }
    gui::pump_for(50ms);
}

wxListBox* PanelWindowHarness::formatList() const {
    return dynamic_cast<wxListBox*>(panel_->FindWindow(TFenApp::kFormatListId));
}

wxControlWithItems* PanelWindowHarness::box(int id) const {
    return dynamic_cast<wxControlWithItems*>(panel_->FindWindow(id));
}

wxComboBox* PanelWindowHarness::editableBox(int id) const {
    return dynamic_cast<wxComboBox*>(panel_->FindWindow(id));
}

std::string PanelWindowHarness::shownText(int id) const {
    GtkWidget* shown = gtk_bin_get_child(GTK_BIN(box(id)->GetHandle()));
    if (GTK_IS_ENTRY(shown)) {
        return gtk_entry_get_text(GTK_ENTRY(shown));
    }
    return GTK_IS_CELL_VIEW(shown) ? cell_view_text(GTK_CELL_VIEW(shown)) : std::string("<no text>");
}

std::string PanelWindowHarness::lastTextAt(int x, int y) const {
    const auto texts = drawing_->textsAt(x, y);
    return texts.empty() ? std::string("<none>") : texts.back().text;
}

void PanelWindowHarness::click(wxPoint screenPoint, bool twice) {
    input_.MouseMove(screenPoint);
    gui::pump_for(50ms);
    input_.MouseClick();
    if (twice) {
        gui::pump_for(50ms);
        input_.MouseClick();
    }
    gui::pump_for(300ms);
}

void PanelWindowHarness::clickControl(int id) {
    const wxRect rect = panel_->FindWindow(id)->GetScreenRect();
    click(rect.GetPosition() + wxPoint(rect.width / 2, rect.height / 2));
}

void PanelWindowHarness::press(int key, int modifiers) {
    input_.Char(key, modifiers);
    gui::pump_for(200ms);
}

wxPoint PanelWindowHarness::rowPoint(int row) const {
    wxListBox* formats = formatList();
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
    ADD_FAILURE() << "row " << row << " is not in view";
    return {};
}

void PanelWindowHarness::chooseInBox(int id, int position) {
    wxControlWithItems* combo = box(id);
    const wxRect rect = combo->GetScreenRect();
    click(wxPoint(rect.GetRight() - 6, rect.y + rect.height / 2));
    gui::pump_for(300ms);
    for (int step = combo->GetSelection(); step < position; ++step) {
        press(WXK_DOWN);
    }
    press(WXK_RETURN);
}

void PanelWindowHarness::chooseInBoxByMouse(int id, int position) {
    const wxRect rect = box(id)->GetScreenRect();
    click(wxPoint(rect.GetRight() - 6, rect.y + rect.height / 2));
    std::optional<wxPoint> entry;
    if (!gui::pump_until([&] { return (entry = popup_entry_point(position)).has_value(); })) {
        ADD_FAILURE() << "no list opened under box " << id;
        return;
    }
    click(*entry);
}

void PanelWindowHarness::chooseInBoxByKeyboard(int id, int position) {
    box(id)->SetFocus();
    if (!gui::pump_until([&] { return focusIsIn(box(id)); })) {
        ADD_FAILURE() << "box " << id << " took no focus";
        return;
    }
    press(WXK_DOWN, wxMOD_ALT);
    if (!gui::pump_until([&] { return popup_entry_point(0).has_value(); })) {
        ADD_FAILURE() << "Alt+Down opened no list under box " << id;
        return;
    }
    press(WXK_HOME);
    for (int step = 0; step < position; ++step) {
        press(WXK_DOWN);
    }
    press(WXK_RETURN);
}

bool PanelWindowHarness::focusIsIn(wxWindow* window) const {
    for (wxWindow* focus = wxWindow::FindFocus(); focus != nullptr; focus = focus->GetParent()) {
        if (focus == window) {
            return true;
        }
    }
    // The toolkit's own part of a control, such as a list-only box's button, is known to the window system
    // only.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(frame_->GetHandle()));
    return focus != nullptr && gtk_widget_has_focus(focus) &&
           (focus == window->GetHandle() || gtk_widget_is_ancestor(focus, window->GetHandle()));
}
