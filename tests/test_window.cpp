// The window: SDL events turned into window messages, the video-driver
// check, the shell's opening and closing sequence with every box the user
// sees, and the view a size message sets.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "shell/gl_window.h"
#include "support/gl_context.h"
#include "support/scoped_env.h"

namespace {

using platform::MessageIcon;
using platform::OpenStep;
using platform::WindowMessage;
using testsupport::ScopedEnv;

// ---------------------------------------------------------------- SDL side

SDL_Event key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

SDL_Event windowEvent(Uint8 what, int width = 0, int height = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.data1 = width;
    event.window.data2 = height;
    return event;
}

TEST(SdlEvents, BecomeTheMessagesOfTheOriginalWindowProcedure) {
    ScopedEnv video("SDL_VIDEODRIVER", "dummy");
    auto window = platform::makeGlWindow();
    ASSERT_TRUE(window->startVideo()) << window->error();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    struct Case {
        const char* what;
        SDL_Event event;
        WindowMessage::Type type;
        int value;   // virtual key, width, or minimised
    };
    const Case cases[] = {
        {"F1", key(SDL_KEYDOWN, SDLK_F1), WindowMessage::keyDown, platform::vkF1},
        {"F2 up", key(SDL_KEYUP, SDLK_F2), WindowMessage::keyUp, platform::vkF2},
        {"Esc", key(SDL_KEYDOWN, SDLK_ESCAPE), WindowMessage::keyDown, platform::vkEscape},
        {"Alt+F1", key(SDL_KEYDOWN, SDLK_F1, KMOD_LALT), WindowMessage::sysKeyDown, platform::vkF1},
        {"AltGr+F1 up", key(SDL_KEYUP, SDLK_F1, KMOD_RALT), WindowMessage::sysKeyUp, platform::vkF1},
        {"Shift+F1", key(SDL_KEYDOWN, SDLK_F1, KMOD_LSHIFT), WindowMessage::keyDown, platform::vkF1},
        {"a key without a code", key(SDL_KEYDOWN, SDLK_AUDIOPLAY), WindowMessage::none, 0},
        {"minimise", windowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowMessage::activate, 1},
        {"restore", windowEvent(SDL_WINDOWEVENT_RESTORED), WindowMessage::activate, 0},
        {"size", windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480), WindowMessage::size, 640},
        {"close button", windowEvent(SDL_WINDOWEVENT_CLOSE), WindowMessage::close, 0},
        {"quit", quit, WindowMessage::quit, 0},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.what);
        WindowMessage message;
        // SDL ends each poll cycle with a "nothing pending"; finish the
        // current cycle so the pushed event is the next one taken.
        while (window->takeMessage(message)) {
        }
        SDL_PushEvent(&c.event);
        message = WindowMessage();
        for (int i = 0; i < 100 && window->takeMessage(message) && message.type == WindowMessage::other; ++i) {
        }
        if (message.type == WindowMessage::other) message = WindowMessage();
        EXPECT_EQ(message.type, c.type);
        EXPECT_EQ(c.type == WindowMessage::activate ? message.minimised : message.virtualKey + message.x, c.value);
        EXPECT_EQ(message.y, c.type == WindowMessage::size ? 480 : 0);
        if (c.value == platform::vkEscape) {
            // Its character message comes next, so the loop sees Esc down on the press.
            ASSERT_TRUE(window->takeMessage(message));
            EXPECT_EQ(message.type, WindowMessage::character);
            EXPECT_EQ(message.virtualKey, platform::vkEscape);
        }
    }
    window->close();
}

TEST(SdlEvents, NoDisplayIsRefusedUnlessAnInvisibleVideoDriverWasAskedFor) {
    ScopedEnv display("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "");
    for (const char* driver : {"", "offscreen"}) {
        SCOPED_TRACE(driver);
        ScopedEnv video("SDL_VIDEODRIVER", driver);
        auto window = platform::makeGlWindow();
        bool asked = driver[0] != '\0';
        EXPECT_EQ(window->startVideo(), asked) << window->error();
        EXPECT_EQ(window->error().empty(), asked);
        if (asked) { EXPECT_EQ(window->videoDriver(), driver); }
        window->close();
    }
}

// ------------------------------------------------------------- shell side

// A window system whose every step can be made to fail. It logs each call,
// and each box shown since the call before, so the log is what the user
// met, in order.
class ScriptedWindow : public platform::GlWindow {
public:
    bool videoOk = true;
    bool modeOk = true;
    OpenStep failAt = OpenStep::none;
    unsigned teardownFailures = 0;
    int depthRequested = 0;
    std::vector<std::string> log;

    bool startVideo() override { return note("startVideo"), videoOk; }
    bool switchDisplayMode(int, int, int) override { return note("switchDisplayMode"), modeOk; }
    void restoreDisplayMode() override { note("restoreDisplayMode"); }
    void showCursor(bool visible) override { note(visible ? "showCursor" : "hideCursor"); }
    OpenStep open(const char*, int, int, int, int depthBits, bool fullscreen) override {
        return note(fullscreen ? "open fullscreen" : "open"), depthRequested = depthBits, failAt;
    }
    unsigned close() override {
        note("close");
        unsigned failed = 0;
        for (unsigned step = platform::teardownReleaseCurrent; step <= platform::teardownStopVideo; step <<= 1) {
            if (!(teardownFailures & step)) continue;
            note(("step " + std::to_string(step)).c_str());
            failed |= teardownFailed(step);
        }
        return failed;
    }
    int enableVsync() override { return note("vsync"), 0; }
    bool takeMessage(WindowMessage&) override { return false; }
    void swapBuffers() override {}
    void pause(unsigned) override {}
    std::string videoDriver() const override { return "scripted"; }
    std::string error() const override { return ""; }

    void note(const char* call) {
        const auto& boxes = platform::recordedMessageBoxes();
        static const char* icons[] = {"", " (i)", " (!)", " (x)"};   // information, warning, error
        for (; seen < boxes.size(); ++seen) {
            const auto& box = boxes[seen];
            log.push_back((box.yesNo ? "ask " : "box ") + box.caption + icons[int(box.icon)] + ": " + box.text);
        }
        if (call) log.push_back(call);
    }

private:
    std::size_t seen = 0;
};

using Log = std::vector<std::string>;

// Every way the opening goes, then closing: the calls in order with every
// box, a failure of the window itself shown after what was made is
// released, each teardown failure at its own step before the next one runs.
TEST(OpenWindow, EveryStepOfOpeningAndClosingWithItsBoxes) {
    testsupport::GlContext gl;   // openGlWindow sets GL state on success
    ASSERT_TRUE(gl.ok());
    const std::string ask = "ask Vask GL (!): The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
                            "Use Windowed Mode Instead?";
    const Log fullscreenOpen = {"startVideo", "switchDisplayMode", "hideCursor", "open fullscreen"};
    struct Case {
        const char* what;
        bool videoOk, modeOk, yes;
        OpenStep failAt;
        unsigned teardownFailures;
        Log log;   // opening, then closeGlWindow's when it opened
    };
    auto failed = [&](OpenStep step, const char* text) {
        Log log = fullscreenOpen;
        log.insert(log.end(), {"restoreDisplayMode", "showCursor", "close", std::string("box ERROR (!): ") + text});
        return Case{text, true, true, false, step, 0, log};
    };
    Log fullscreen = fullscreenOpen;
    fullscreen.insert(fullscreen.end(),
                      {"vsync", "restoreDisplayMode", "showCursor", "close", "step 1",
                       "box SHUTDOWN ERROR (i): Cannot release GDI device context or rendering context.", "step 8",
                       "box SHUTDOWN ERROR (i): Couldn't release window.", "step 16",
                       "box SHUTDOWN ERROR (i): Couldn't unregister class."});
    const Case cases[] = {
        {"fullscreen", true, true, false, OpenStep::none, 1 | 8 | 16, fullscreen},
        {"mode refused, windowed", true, false, true, OpenStep::none, 0,
         {"startVideo", "switchDisplayMode", ask, "open", "vsync", "close"}},
        {"mode refused, no", true, false, false, OpenStep::none, 0,
         {"startVideo", "switchDisplayMode", ask, "box ERROR (x): Program Will Now Close."}},
        {"no window system", false, true, false, OpenStep::none, 0,
         {"startVideo", "box ERROR (!): Failed To Register The Window Class."}},
        failed(OpenStep::window, "Window Creation Error."),
        failed(OpenStep::deviceContext, "Can't Create A GL Device Context."),
        failed(OpenStep::pixelFormat, "Can't Find A Suitable PixelFormat."),
        failed(OpenStep::setPixelFormat, "Can't Set The PixelFormat."),
        failed(OpenStep::context, "Can't Create A GL Rendering Context."),
        failed(OpenStep::makeCurrent, "Can't Activate The GL Rendering Context."),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::recordMessageBoxes(true);
        auto owned = std::make_unique<ScriptedWindow>();
        ScriptedWindow* window = owned.get();
        useGlWindow(std::move(owned));
        window->videoOk = c.videoOk, window->modeOk = c.modeOk, window->failAt = c.failAt;
        window->teardownFailures = c.teardownFailures;
        platform::queueYesNoAnswer(c.yes);
        bool opens = c.videoOk && c.failAt == OpenStep::none && (c.modeOk || c.yes);
        EXPECT_EQ(openGlWindow("gravlet", 1024, 768, 32, true), opens);
        if (opens) {
            EXPECT_EQ(fullscreenMode, c.modeOk);
            EXPECT_EQ(windowHandle, window);
            EXPECT_EQ(window->depthRequested, 16);
            // Front faces culled (the view flip reverses every winding);
            // sphere mapping configured, generation left to the renderers.
            GLint value = 0;
            glGetIntegerv(GL_CULL_FACE_MODE, &value);
            EXPECT_EQ(value, GL_FRONT);
            EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
            glGetIntegerv(GL_DEPTH_FUNC, &value);
            EXPECT_EQ(value, GL_LEQUAL);
            glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &value);
            EXPECT_EQ(value, GL_SPHERE_MAP);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
            closeGlWindow();
            EXPECT_EQ(windowHandle, nullptr);
        }
        window->note(nullptr);
        EXPECT_EQ(window->log, c.log);
        useGlWindow(nullptr);
        platform::recordMessageBoxes(false);
    }
    fullscreenMode = false;
}

// Keys, activation and the close button reach the loop as the whole demo
// run shows; the size message is checked here.
TEST(GlView, ZeroHeightGivesAOnePixelViewAndAnAspectOfTheWidth) {
    testsupport::GlContext gl;
    ASSERT_TRUE(gl.ok());
    WindowMessage size;
    size.type = WindowMessage::size;
    size.x = 300;
    glWindowProc(size);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective: m[0] = f / aspect, m[5] = f = cot(fov / 2), m[10] = (far + near) / (near - far).
    EXPECT_NEAR(projection[5], 1.0f / std::tan(85.0f / 2.0f * 3.14159265f / 180.0f), 1e-4);
    EXPECT_NEAR(projection[5] / projection[0], 300.0f, 1e-2);
    EXPECT_NEAR(projection[10], 4201.0f / -4199.0f, 1e-5);
}

}  // namespace
