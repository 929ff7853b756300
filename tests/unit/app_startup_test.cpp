// The program's start: arguments ignored, a normal close ends with status 0, an exception escaping
// start-up or an event handler reaches the one global handler, which shows it in a message box as well, and
// without a graphical session the program says which is missing. Each case runs in a child process, since
// the toolkit starts once per process.
#include "app/startup.h"
#include "platform/toolkit/global_exception.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/frame.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
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

constexpr auto kChildDeadline = std::chrono::seconds(60);

// Waits for the child to end; one that is still running at the deadline (a message box nobody closed) is
// killed and answers -1.
int wait_for_child(pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Environment variables the child runs without.
using Unset = std::vector<const char*>;

Outcome run_in_child(std::function<bool(wxApp&)> onInit, std::vector<std::string> arguments = {"varnel"},
                     const Unset& unset = {}, const char* display = nullptr) {
    char errorsPath[] = "/tmp/varnel-startup-XXXXXX";
    const int errorsFile = mkstemp(errorsPath);
    const pid_t child = fork();
    if (child == 0) {
        dup2(errorsFile, STDERR_FILENO);
        for (const char* name : unset) {
            unsetenv(name);
        }
        if (display != nullptr) {
            setenv("DISPLAY", display, 1);
        }
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        _exit(run_application(new ScriptedApp(std::move(onInit)), static_cast<int>(arguments.size()),
                              argv.data()));
    }
    const int status = wait_for_child(child);
    close(errorsFile);
    std::ifstream errors(errorsPath);
    std::stringstream text;
    text << errors.rdbuf();
    unlink(errorsPath);
    return {status, text.str()};
}

// Watches, in the child, for the message box the global handler shows: reports its caption and text on
// standard error as "message box: <caption>: <text>" and closes it as a user pressing OK would.
gboolean close_message_box(gpointer) {
    GList* windows = gtk_window_list_toplevels();
    bool closed = false;
    for (GList* item = windows; item != nullptr && !closed; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (!GTK_IS_MESSAGE_DIALOG(window) || !gtk_widget_get_mapped(window)) {
            continue;
        }
        gchar* text = nullptr;
        g_object_get(window, "text", &text, nullptr);
        std::fprintf(stderr, "message box: %s: %s\n", gtk_window_get_title(GTK_WINDOW(window)), text);
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
        closed = true;
    }
    g_list_free(windows);
    return closed ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void watch_for_message_box() {
    constexpr guint kEveryMilliseconds = 20;
    g_timeout_add(kEveryMilliseconds, close_message_box, nullptr);
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

TEST_F(Startup, ExceptionDuringStartUpIsReportedOnStandardErrorAndInAMessageBox) {
    const Outcome outcome = run_in_child([](wxApp&) -> bool {
        watch_for_message_box();
        throw std::runtime_error("no panel today");
    });
    EXPECT_EQ(outcome.status, kGlobalExceptionExitCode);
    EXPECT_NE(outcome.errors.find("Varnel: no panel today\n"), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find("message box: Varnel: no panel today\n"), std::string::npos)
        << outcome.errors;
}

TEST_F(Startup, ExceptionFromAnEventHandlerIsReportedOnStandardErrorAndInAMessageBox) {
    const Outcome outcome = run_in_child([](wxApp& app) {
        show_frame_then_close(app);
        app.CallAfter([] {
            watch_for_message_box();
            throw std::runtime_error("handler failed");
        });
        return true;
    });
    EXPECT_EQ(outcome.status, kGlobalExceptionExitCode);
    EXPECT_NE(outcome.errors.find("Varnel: handler failed\n"), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find("message box: Varnel: handler failed\n"), std::string::npos)
        << outcome.errors;
}

// Without a session the program says which variables name one, or which session it could not reach, and
// ends with a non-zero status.
TEST(StartupWithoutASession, SaysWhatIsMissingAndEndsWithAnError) {
    struct Case {
        const char* display;
        const char* expected;
    } const cases[] = {
        {nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {":987", "could not be reached (DISPLAY=:987)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const Outcome outcome =
            run_in_child(show_frame_then_close, {"varnel"}, {"DISPLAY", "WAYLAND_DISPLAY"}, c.display);
        EXPECT_NE(outcome.status, 0);
        EXPECT_NE(outcome.errors.find(c.expected), std::string::npos) << outcome.errors;
    }
}

TEST(GlobalException, ReportsCaptionTextAndMessage) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(HandleGlobalException(std::runtime_error("disk on fire"), "Varnel", "while saving"),
              kGlobalExceptionExitCode);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("Varnel: while saving: disk on fire"), std::string::npos) << report;
}

} // namespace
