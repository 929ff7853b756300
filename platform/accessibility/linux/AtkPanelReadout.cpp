#include "platform/accessibility/linux/AtkPanelReadout.h"

#include "platform/accessibility/linux/readout_accessibles.h"
#include "platform/accessibility/spoken_text.h"
#include "platform/drawing/linux/drawn_text_font.h"
#include "platform/toolkit/code_page_text.h"

#include <wx/nativewin.h>

namespace {

// The panel's top-left pixel: drawn texts start at column 1 and the trace's band far below, so whatever
// the toolkit repaints of the host never erases a drawing.
const wxRect kHostPlace(0, 0, 1, 1);

// Tab and the panel's own focus handling pass it by.
class ReadoutHostWindow : public wxNativeWindow {
public:
    ReadoutHostWindow(wxWindow* panel, GtkWidget* widget) : wxNativeWindow(panel, wxID_ANY, widget) {}
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

void tell_text_changed(AtkObject* label, const std::string& before, const std::string& now) {
    const std::string removed = to_utf8(before);
    const std::string inserted = to_utf8(now);
    g_signal_emit_by_name(label, "text-remove", 0, gint(g_utf8_strlen(removed.c_str(), -1)), removed.c_str());
    g_signal_emit_by_name(label, "text-insert", 0, gint(g_utf8_strlen(inserted.c_str(), -1)),
                          inserted.c_str());
    g_object_notify(G_OBJECT(label), "accessible-name");
}

} // namespace

std::unique_ptr<PanelReadout> make_panel_readout(wxWindow* panel) {
    return std::make_unique<AtkPanelReadout>(panel);
}

AtkPanelReadout::AtkPanelReadout(wxWindow* panel)
    : panel_(panel), host_(new ReadoutHostWindow(panel, readout_host_new(this))) {
    host_->SetSize(kHostPlace);
}

AtkPanelReadout::~AtkPanelReadout() {
    readout_host_detach(host_->GetHandle());
    for (auto& [place, label] : labels_) {
        readout_label_detach(label);
        g_object_unref(label);
    }
}

AtkObject* AtkPanelReadout::status() {
    return gtk_widget_get_accessible(host_->GetHandle());
}

AtkObject* AtkPanelReadout::lineLabel(int index) {
    if (index < 0 || index >= lineCount()) {
        return nullptr;
    }
    const DrawnTexts::Line& line = texts_.lines()[static_cast<std::size_t>(index)];
    return labelAt(line.x, line.y);
}

AtkObject* AtkPanelReadout::labelAt(int x, int y) {
    AtkObject*& label = labels_[{x, y}];
    if (label == nullptr) {
        label = readout_label_new(this, status(), x, y);
    }
    return label;
}

std::string AtkPanelReadout::textAt(int x, int y) const {
    const int index = texts_.indexOf(x, y);
    return index < 0 ? std::string() : to_utf8(texts_.lines()[static_cast<std::size_t>(index)].text);
}

wxRect AtkPanelReadout::boxAt(int x, int y) const {
    const int index = texts_.indexOf(x, y);
    if (index < 0) {
        return wxRect(x, y, 0, 0);
    }
    const wxFont font = drawn_text_font();
    wxCoord width = 0;
    wxCoord height = 0;
    panel_->GetTextExtent(to_toolkit_text(texts_.lines()[static_cast<std::size_t>(index)].text), &width,
                          &height, nullptr, nullptr, &font);
    return wxRect(x, y, width, height);
}

// Removals first, from the last, then additions, from the first: each index is right when it is told.
void AtkPanelReadout::drawingEnded() {
    const DrawnTexts::Changes changes = texts_.takeChanges();
    if (changes.empty()) {
        return;
    }
    AtkObject* bar = status();
    for (const DrawnTexts::Change& removed : changes.removed) {
        g_signal_emit_by_name(bar, "children-changed::remove", guint(removed.index),
                              labelAt(removed.x, removed.y));
    }
    for (const DrawnTexts::Change& added : changes.added) {
        AtkObject* label = labelAt(added.x, added.y);
        g_signal_emit_by_name(bar, "children-changed::add", guint(added.index), label);
        g_object_notify(G_OBJECT(label), "accessible-name");
    }
    for (const DrawnTexts::Change& rewritten : changes.rewritten) {
        const std::string& now = texts_.lines()[static_cast<std::size_t>(rewritten.index)].text;
        tell_text_changed(labelAt(rewritten.x, rewritten.y), rewritten.before, now);
    }
}

// ATK 2.46 gives every object the signal; the bridge sends it on as an Announcement event.
void AtkPanelReadout::announce(const std::vector<std::string>& lines) {
    const std::string message = to_utf8(spoken_text(lines));
    if (message.empty() || g_signal_lookup("announcement", ATK_TYPE_OBJECT) == 0) {
        return;
    }
    g_signal_emit_by_name(status(), "announcement", message.c_str());
}
