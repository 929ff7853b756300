#include "app/startup.h"

#include "platform/toolkit/global_exception.h"
#include "platform/toolkit/graphical_session.h"
#include "platform/wave_in/standard_streams.h"

#include <wx/init.h>

#include <exception>

namespace {

constexpr const char* kDefaultProgramName = "varnel";

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

int run_application(wxApp* app, int argc, char** argv) {
    open_missing_standard_streams();
    char* programName = argc > 0 && argv[0] != nullptr ? argv[0] : const_cast<char*>(kDefaultProgramName);
    int toolkitArgc = 1;
    char* toolkitArgv[] = {programName, nullptr};

    // Without a session the toolkit would only guess at the cause; say which one is missing instead.
    if (!graphical_session_named()) {
        delete app;
        return HandleGlobalException(std::runtime_error(graphical_session_problem()), nullptr, nullptr);
    }
    wxApp::SetInstance(app);
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
