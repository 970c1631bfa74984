// The window and its message boxes: SDL events driving the shell, opening and
// closing with the boxes asked for, and boxes that really reach a screen.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "support/gl_context.h"
#include "support/scoped_env.h"
#include "support/tool_files.h"

namespace {

using platform::OpenStep;
using platform::WindowMessage;
using testsupport::ScopedEnv;

// SDL events taken as the frame loop takes them: the F1/F2 switches tested,
// then the message handed to the shell's window procedure. A held key acts
// once; the latch lets go only when both keys are up.
TEST(SdlEvents, DriveTheShellsSwitchesActivityViewAndQuit) {
    testsupport::GlContext gl;   // the size message sets the GL view
    ASSERT_TRUE(gl.ok());
    ScopedEnv video("SDL_VIDEODRIVER", "dummy");
    auto window = platform::makeGlWindow();
    ASSERT_TRUE(window->startVideo()) << window->error();
    int overlay = 1, world = 1, reset = 0;
    bool latch = false;
    std::vector<WindowMessage::Type> taken;
    auto deliver = [&](Uint32 type, int code, Uint16 mod = KMOD_NONE, int width = 0, int height = 0) {
        WindowMessage message;
        while (window->takeMessage(message)) {
        }   // SDL ends each poll cycle with a "nothing pending": the pushed event comes first
        SDL_Event event{};   // a key event (code: the key) or a window event (code: what happened)
        event.type = type;
        event.key.keysym.sym = code;
        event.key.keysym.mod = mod;
        if (type == SDL_WINDOWEVENT) event.window = SDL_WindowEvent{type, 0, 0, Uint8(code), 0, 0, 0, width, height};
        SDL_PushEvent(&event);
        taken.clear();
        while (window->takeMessage(message)) {
            applyKeySwitches(keyDown, latch, {&overlay, &world, &reset});
            if (message.type != WindowMessage::other) taken.push_back(message.type);
            glWindowProc(message);
        }
        applyKeySwitches(keyDown, latch, {&overlay, &world, &reset});
    };
    deliver(SDL_KEYDOWN, SDLK_F1, KMOD_LALT);   // a system key: no switch
    EXPECT_EQ(overlay, 1);
    deliver(SDL_KEYDOWN, SDLK_F1);
    EXPECT_TRUE(overlay == 0 && reset == 1);   // 1 -> 0 resets the fog layers' step
    deliver(SDL_KEYDOWN, SDLK_F2);
    deliver(SDL_KEYUP, SDLK_F1);
    deliver(SDL_KEYUP, SDLK_F2);
    EXPECT_TRUE(overlay == 0 && world == 1);   // F2 held while F1 latched: the latch lasts until both are up
    deliver(SDL_KEYDOWN, SDLK_F2, KMOD_LSHIFT);
    deliver(SDL_KEYUP, SDLK_F2);
    EXPECT_EQ(world, 0);
    reset = 0;
    deliver(SDL_KEYDOWN, SDLK_F1);
    EXPECT_TRUE(overlay == 1 && reset == 0);   // 0 -> 1 leaves the layers alone
    // Esc's character message follows at once, so the loop sees Esc down on the press.
    deliver(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_EQ(taken, (std::vector{WindowMessage::keyDown, WindowMessage::character}));
    deliver(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_EQ(windowActive, 0);
    deliver(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED);
    EXPECT_EQ(windowActive, 1);
    deliver(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, KMOD_NONE, 300, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2] * 1000 + viewport[3], 300001);   // a zero height gives a one-pixel view
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective: m[5] = cot(fov / 2).
    EXPECT_NEAR(projection[5], 1.0f / std::tan(85.0f / 2.0f * 3.14159265f / 180.0f), 1e-4);
    deliver(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE);   // the close button posts the quit message
    WindowMessage message;
    EXPECT_TRUE(peekWindowMessage(message) && message.type == WindowMessage::quit);
    window->close();
}

// A window system whose every step can be made to fail. It logs each call and
// each box recorded since (what the shell asks for, not what reaches a screen).
class ScriptedWindow : public platform::GlWindow {
public:
    bool videoOk = true, modeOk = true;
    OpenStep failAt = OpenStep::none;
    unsigned teardownFailures = 0;
    std::vector<std::string> log;

    bool startVideo() override { return note("startVideo"), videoOk; }
    bool switchDisplayMode(int, int, int) override { return note("switchDisplayMode"), modeOk; }
    void restoreDisplayMode() override { note("restoreDisplayMode"); }
    void showCursor(bool visible) override { note(visible ? "showCursor" : "hideCursor"); }
    OpenStep open(const char*, int, int, int, int, bool fullscreen) override {
        return note(fullscreen ? "open fullscreen" : "open"), failAt;
    }
    unsigned close() override {
        note("close");
        for (unsigned step = 1; step <= platform::teardownStopVideo; step <<= 1) {
            if (!(teardownFailures & step)) continue;
            note(("step " + std::to_string(step)).c_str());
            teardownFailed(step);
        }
        return teardownFailures;
    }
    int enableVsync() override { return note("vsync"), 0; }
    bool takeMessage(WindowMessage&) override { return false; }
    void swapBuffers() override {}
    void pause(unsigned) override {}
    std::string videoDriver() const override { return "scripted"; }
    std::string error() const override { return ""; }

    // A box is logged as "box CAPTION (icon)", a question as "ask ...".
    void note(const char* call) {
        const auto& boxes = platform::recordedMessageBoxes();
        static const char* icons[] = {"", " (i)", " (!)", " (x)"};   // information, warning, error
        for (; seen < boxes.size(); ++seen) {
            log.push_back((boxes[seen].yesNo ? "ask " : "box ") + boxes[seen].caption + icons[int(boxes[seen].icon)]);
        }
        if (call) log.push_back(call);
    }

private:
    std::size_t seen = 0;
};

using Log = std::vector<std::string>;

// Opens a scripted window as the program does, closing it when it opened.
Log run(bool videoOk, bool modeOk, bool yes, OpenStep failAt, unsigned teardownFailures) {
    platform::recordMessageBoxes(true);
    auto owned = std::make_unique<ScriptedWindow>();
    ScriptedWindow* window = owned.get();
    useGlWindow(std::move(owned));
    window->videoOk = videoOk, window->modeOk = modeOk, window->failAt = failAt;
    window->teardownFailures = teardownFailures;
    platform::queueYesNoAnswer(yes);
    bool opens = openGlWindow("gravlet", 1024, 768, 32, true);
    window->note(opens ? "opened" : "refused");
    if (opens) closeGlWindow();
    window->note(nullptr);
    Log seen = window->log;
    useGlWindow(nullptr);
    platform::recordMessageBoxes(false);
    fullscreenMode = false;
    return seen;
}

// The calls in order with every box: a teardown failure is shown at its own
// step, before the next one runs; a refused mode offers a window; a failure
// to open releases what was made before its box.
TEST(OpenWindow, EveryWayOfOpeningAndClosingWithItsBoxes) {
    testsupport::GlContext gl;   // openGlWindow sets GL state on success
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(run(true, true, false, OpenStep::none, 1 | 16),
              (Log{"startVideo", "switchDisplayMode", "hideCursor", "open fullscreen", "vsync", "opened",
                   "restoreDisplayMode", "showCursor", "close", "step 1", "box SHUTDOWN ERROR (i)",
                   "step 16", "box SHUTDOWN ERROR (i)"}));
    GLint cull = 0;   // front faces culled: the view flip reverses every winding
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    EXPECT_TRUE(cull == GL_FRONT && glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(run(true, false, true, OpenStep::none, 0),
              (Log{"startVideo", "switchDisplayMode", "ask Vask GL (!)", "open", "vsync", "opened", "close"}));
    ::testing::internal::CaptureStderr();   // every box text also goes to standard error
    EXPECT_EQ(run(false, true, false, OpenStep::none, 0), (Log{"startVideo", "box ERROR (!)", "refused"}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string("ERROR: ") + windowText::registerClass + "\n");
    EXPECT_EQ(run(true, true, false, OpenStep::context, 0),
              (Log{"startVideo", "switchDisplayMode", "hideCursor", "open fullscreen", "restoreDisplayMode",
                   "showCursor", "close", "box ERROR (!)", "refused"}));
}

// A virtual X server of the test's own (display number picked by the server;
// -noreset, or the box after the teardown may meet the server mid-reset).
struct VirtualDisplay {
    VirtualDisplay() {
        std::FILE* out = popen("Xvfb -displayfd 1 -nolisten tcp -noreset 2>/dev/null & echo $!", "r");
        if (out && std::fscanf(out, "%d %d", &pid, &number) != 2) number = -1;
        if (out) pclose(out);
    }
    ~VirtualDisplay() { if (pid > 0) kill(pid, SIGTERM); }   // never -1: that would be every process
    std::string name() const { return ":" + std::to_string(number); }
    int pid = -1, number = -1;
};

// Runs show() aside, answering a box with this caption that appears on the
// display with Return (Yes where it asks). 2: it appeared; 1: SDL tried and
// failed, as it does while its video runs on a driver that draws nowhere.
int boxShown(const char* caption, const std::function<void()>& show) {
    bool tried = false;
    auto shown = std::async(std::launch::async, [&] {
        SDL_ClearError();   // SDL keeps its error per thread
        ::testing::internal::CaptureStderr();   // the box text also goes there
        show();
        ::testing::internal::GetCapturedStderr();
        tried = SDL_GetError()[0] != '\0';
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::string find = std::string("xwininfo -root -tree | awk '/\"") + caption +
                             "\":/ { printf \"%s\", $1; exit }'";
    bool appeared = false;
    while (shown.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
        std::string id = testsupport::runCommand(find).out;
        if (!id.empty()) testsupport::runCommand("xdotool windowfocus " + id + " key Return");
        appeared = appeared || !id.empty();
    }
    EXPECT_EQ(shown.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the box stayed";
    return appeared ? 2 : tried;
}

// A box reaches the screen only when someone can see it: never in end-to-end
// runs (the preset answer decides there), nor while video runs on a driver that
// draws nowhere or has stopped while that driver is still asked for. After the
// teardown stopped SDL video, a box appears with its caption and a question answers.
TEST(MessageBox, ShownOnADisplayEvenAfterTheWindowSystemWasTornDown) {
    VirtualDisplay x;
    ASSERT_GE(x.number, 0) << "Xvfb did not start";
    auto error = [] { platform::showMessageBox("Window Creation Error.", "ERROR"); };
    ScopedEnv wayland("WAYLAND_DISPLAY", ""), display("DISPLAY", x.name());
    for (auto [answer, yes] : {std::pair{"YES", true}, {"no", false}}) {   // any letter case
        SCOPED_TRACE(answer);
        ScopedEnv preset("GRAVLET_ANSWER", answer), interactive("GRAVLET_NONINTERACTIVE", "1");
        EXPECT_EQ(0, boxShown("Vask GL", [yes = yes] { EXPECT_EQ(platform::askYesNo("?", "Vask GL"), yes); }));
        EXPECT_EQ(0, boxShown("ERROR", error));
    }
    ScopedEnv interactive("GRAVLET_NONINTERACTIVE", "0");
    {
        // No display named while SDL video starts: libdbus then keeps an
        // allocation that the sanitizer build reports as a leak. Nor does
        // the window start on a driver that draws nowhere unless asked to.
        ScopedEnv noDisplay("DISPLAY", ""), video("SDL_VIDEODRIVER", "");
        EXPECT_FALSE(platform::messageBoxWouldShow());
        auto window = platform::makeGlWindow();
        EXPECT_FALSE(window->startVideo());
        ScopedEnv dummy("SDL_VIDEODRIVER", "dummy");
        ASSERT_TRUE(window->startVideo()) << window->error();
        ScopedEnv display("DISPLAY", x.name());
        EXPECT_EQ(0, boxShown("ERROR", error));   // running, but drawing nowhere
        EXPECT_EQ(0, boxShown("Vask GL", [] { EXPECT_FALSE(platform::askYesNo("?", "Vask GL")); }));
        window->close();
        EXPECT_EQ(0, boxShown("ERROR", error));   // still asked for nowhere
    }
    EXPECT_EQ(2, boxShown("ERROR", error));
    EXPECT_EQ(2, boxShown("Vask GL", [] { EXPECT_TRUE(platform::askYesNo("Windowed?", "Vask GL")); }));
}

}  // namespace
