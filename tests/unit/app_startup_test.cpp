// The program's start: arguments ignored, a normal close ends with status 0, and an exception escaping
// start-up or an event handler reaches the one global handler. Each case runs in a child process, since the
// toolkit starts once per process.
#include "app/startup.h"
#include "platform/global_exception.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ScriptedApp : public wxApp {
public:
    explicit ScriptedApp(std::function<bool(wxApp&)> onInit) : onInit_(std::move(onInit)) {}
    bool OnInit() override { return onInit_(*this); }

private:
    std::function<bool(wxApp&)> onInit_;
};

struct Outcome {
    int status;
    std::string errors;
};

Outcome run_in_child(std::function<bool(wxApp&)> onInit, std::vector<std::string> arguments = {"varnel"}) {
    char errorsPath[] = "/tmp/varnel-startup-XXXXXX";
    const int errorsFile = mkstemp(errorsPath);
    const pid_t child = fork();
    if (child == 0) {
        dup2(errorsFile, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        _exit(run_application(new ScriptedApp(std::move(onInit)), static_cast<int>(arguments.size()),
                              argv.data()));
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(errorsFile);
    std::ifstream errors(errorsPath);
    std::stringstream text;
    text << errors.rdbuf();
    unlink(errorsPath);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

// A frame that closes itself once the message loop runs, as a user closing it would.
bool show_frame_then_close(wxApp& app) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Varnel ");
    app.SetTopWindow(frame);
    frame->Show();
    app.CallAfter([frame] { frame->Close(true); });
    return true;
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "needs an X display";
        }
    }
};

TEST_F(Startup, ClosingTheMainWindowEndsWithStatusZero) {
    const Outcome outcome = run_in_child(show_frame_then_close);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.errors, "");
}

TEST_F(Startup, ArgumentsAreAcceptedAndIgnored) {
    const Outcome outcome =
        run_in_child(show_frame_then_close, {"varnel", "--help", "foo", "-x", "--display=:987", "--sync"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.errors, "");
}

TEST_F(Startup, ExceptionDuringStartUpReachesTheGlobalHandler) {
    const Outcome outcome = run_in_child([](wxApp&) -> bool { throw std::runtime_error("no panel today"); });
    EXPECT_EQ(outcome.status, kGlobalExceptionExitCode);
    EXPECT_NE(outcome.errors.find("no panel today"), std::string::npos) << outcome.errors;
}

TEST_F(Startup, ExceptionFromAnEventHandlerReachesTheGlobalHandler) {
    const Outcome outcome = run_in_child([](wxApp& app) {
        show_frame_then_close(app);
        app.CallAfter([] { throw std::runtime_error("handler failed"); });
        return true;
    });
    EXPECT_EQ(outcome.status, kGlobalExceptionExitCode);
    EXPECT_NE(outcome.errors.find("handler failed"), std::string::npos) << outcome.errors;
}

TEST(GlobalException, ReportsCaptionTextAndMessage) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(HandleGlobalException(std::runtime_error("disk on fire"), "Varnel", "while saving"),
              kGlobalExceptionExitCode);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("Varnel: while saving: disk on fire"), std::string::npos) << report;
}

} // namespace
