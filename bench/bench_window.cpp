#include "bench_window.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <cstdio>

namespace {

constexpr int kSettlingYields = 50; // lets the window manager map and paint the frame first

} // namespace

wxPanel* open_bench_window(const char* programName) {
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;
    char* toolkitArgv[] = {const_cast<char*>(programName), nullptr};
    if (!wxEntryStart(toolkitArgc, toolkitArgv)) {
        std::fprintf(stderr, "cannot start the toolkit: run under an X display (xvfb-run)\n");
        return nullptr;
    }
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Varnel bench", wxDefaultPosition, wxSize(510, 440));
    auto* panel = new wxPanel(frame);
    panel->SetBackgroundColour(*wxWHITE);
    frame->Show();
    for (int i = 0; i < kSettlingYields; ++i)
        wxTheApp->Yield(true);
    return panel;
}

void close_bench_window(wxPanel* panel) {
    panel->GetParent()->Destroy();
    wxEntryCleanup();
}
