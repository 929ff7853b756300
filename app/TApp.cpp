#include "app/TApp.h"

#include "panel/TFenApp.h"
#include "platform/toolkit/frame_size.h"
#include "platform/toolkit/program_icons.h"

#include <wx/frame.h>

namespace {

constexpr const char* kCaption = "Varnel ";
const wxSize kFrameSize(510, 440); // outer size, borders and caption included

} // namespace

// The only override: creating the main window. Command-line parsing is left out on purpose, since the
// program accepts and ignores whatever it is given.
bool TApp::OnInit() {
    auto* frame = new wxFrame(nullptr, wxID_ANY, kCaption);
    set_visible_frame_size(frame, kFrameSize);
    frame->SetIcons(program_icons());
    new TFenApp(frame, PanelServices{*waveIn_, *registry_});
    SetTopWindow(frame);
    frame->Show();
    return true;
}
