// The program's start: the application object, its run and the one place escaped exceptions are handled.
#pragma once

#include <wx/app.h>

// Takes ownership of `app`, runs it until its main window closes and returns the exit status. The
// command-line arguments are accepted and ignored: the toolkit sees only the program name, which is the
// desktop entry's id.
int run_application(wxApp* app, int argc, char** argv);
