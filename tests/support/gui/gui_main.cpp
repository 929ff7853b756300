// Test runner for the real window: the toolkit is started once, on the display named by DISPLAY, before
// the tests run.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS(); // listing needs no display
    }
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(toolkitArgc, toolkitArgv)) {
        std::fprintf(stderr, "cannot start the toolkit: is DISPLAY set to a running X server?\n");
        return 1;
    }
    int result = 1;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxEntryCleanup();
    return result;
}
