#include "app/startup.h"

#include "platform/toolkit/global_exception.h"
#include "platform/toolkit/graphical_session.h"
#include "platform/wave_in/standard_streams.h"

#include <wx/init.h>

#include <exception>
#include <string>

namespace {

// The toolkit names the program after its first argument: on Wayland that name is the window's app_id,
// by which the desktop finds the menu entry and its icon, so it is the entry's id. On X11 the desktop
// matches the window by its class, which the toolkit takes from the application's name: the entry's
// StartupWMClass.
constexpr const char* kDesktopEntryId = "org.varnel.Varnel";
constexpr const char* kWindowClass = "Varnel";

// Runs the initialised application; whatever escapes its handlers comes out of here.
int run_initialised(wxApp& app) {
    if (!app.CallOnInit()) {
        return app.OnExit();
    }
    struct ExitHook {
        wxApp& app;
        ~ExitHook() { app.OnExit(); }
    } exitHook{app};
    return app.OnRun();
}

} // namespace

int run_application(wxApp* app, int /*argc*/, char** /*argv*/) {
    open_missing_standard_streams();
    std::string programName = kDesktopEntryId;
    int toolkitArgc = 1;
    char* toolkitArgv[] = {programName.data(), nullptr};

    // Without a session the toolkit would only guess at the cause; say which one is missing instead.
    if (!graphical_session_named()) {
        delete app;
        return HandleGlobalException(std::runtime_error(graphical_session_problem()), nullptr, nullptr);
    }
    wxApp::SetInstance(app);
    app->SetAppName(kWindowClass);
    wxInitializer initializer(toolkitArgc, toolkitArgv);
    if (!initializer.IsOk()) {
        return HandleGlobalException(std::runtime_error(graphical_session_problem()), nullptr, nullptr);
    }
    try {
        return run_initialised(*app);
    } catch (const std::exception& error) {
        return HandleGlobalException(error, nullptr, nullptr);
    }
}
