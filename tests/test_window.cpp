// The window: SDL events turned into window messages, the video-driver
// check, and the shell's opening and closing sequence with every message
// the user sees, on a scripted window system.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "shell/gl_window.h"
#include "support/gl_context.h"

namespace {

using platform::MessageIcon;
using platform::OpenStep;
using platform::WindowMessage;

// ---------------------------------------------------------------- SDL side

class SdlEvents : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        window = platform::makeSdlGlWindow();
        ASSERT_TRUE(window->startVideo()) << window->error();
    }
    void TearDown() override {
        window->close();
        unsetenv("SDL_VIDEODRIVER");
    }

    WindowMessage roundTrip(SDL_Event event) {
        WindowMessage message;
        // SDL ends each poll cycle with a "nothing pending"; finish the
        // current cycle so the pushed event is the next one taken.
        while (window->takeMessage(message)) {
        }
        SDL_PushEvent(&event);
        for (int i = 0; i < 100 && window->takeMessage(message); ++i) {
            if (message.type != WindowMessage::other) return message;
        }
        return WindowMessage();
    }

    static SDL_Event key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = mod;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        return event;
    }

    std::unique_ptr<platform::GlWindow> window;
};

TEST_F(SdlEvents, KeysCarryTheOriginalVirtualKeyCodes) {
    WindowMessage esc = roundTrip(key(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(esc.type, WindowMessage::keyDown);
    EXPECT_EQ(esc.virtualKey, 0x1B);
    // Its character message comes next, so the loop sees Esc down on the press.
    WindowMessage character;
    ASSERT_TRUE(window->takeMessage(character));
    EXPECT_EQ(character.type, WindowMessage::character);
    EXPECT_EQ(character.virtualKey, 0x1B);
    WindowMessage f2 = roundTrip(key(SDL_KEYUP, SDLK_F2));
    EXPECT_EQ(f2.type, WindowMessage::keyUp);
    EXPECT_EQ(f2.virtualKey, 0x71);
    EXPECT_EQ(roundTrip(key(SDL_KEYDOWN, SDLK_F1)).virtualKey, 0x70);
}

TEST_F(SdlEvents, AKeyWithAltHeldIsASystemKey) {
    WindowMessage down = roundTrip(key(SDL_KEYDOWN, SDLK_F1, KMOD_LALT));
    EXPECT_EQ(down.type, WindowMessage::sysKeyDown);
    EXPECT_EQ(down.virtualKey, 0x70);
    EXPECT_EQ(roundTrip(key(SDL_KEYUP, SDLK_F1, KMOD_RALT)).type, WindowMessage::sysKeyUp);
    // Shift or Ctrl keep it an ordinary key.
    EXPECT_EQ(roundTrip(key(SDL_KEYDOWN, SDLK_F1, KMOD_LSHIFT)).type, WindowMessage::keyDown);
}

TEST_F(SdlEvents, WindowEventsBecomeActivationSizeCloseAndQuit) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_MINIMIZED;
    WindowMessage minimised = roundTrip(event);
    EXPECT_EQ(minimised.type, WindowMessage::activate);
    EXPECT_TRUE(minimised.minimised);

    event.window.event = SDL_WINDOWEVENT_RESTORED;
    WindowMessage restored = roundTrip(event);
    EXPECT_EQ(restored.type, WindowMessage::activate);
    EXPECT_FALSE(restored.minimised);

    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.data1 = 640;
    event.window.data2 = 0;
    WindowMessage size = roundTrip(event);
    EXPECT_EQ(size.type, WindowMessage::size);
    EXPECT_EQ(size.x, 640);
    EXPECT_EQ(size.y, 0);

    event.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_EQ(roundTrip(event).type, WindowMessage::close);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    WindowMessage message = roundTrip(quit);
    EXPECT_EQ(message.type, WindowMessage::quit);
    EXPECT_EQ(message.code, 0);
}

TEST_F(SdlEvents, MouseMotionAndButtons) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 17;
    motion.motion.y = 300;
    WindowMessage move = roundTrip(motion);
    EXPECT_EQ(move.type, WindowMessage::mouseMove);
    EXPECT_EQ(move.x, 17);
    EXPECT_EQ(move.y, 300);

    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    EXPECT_EQ(roundTrip(button).type, WindowMessage::rightButtonDown);
    button.type = SDL_MOUSEBUTTONUP;
    button.button.button = SDL_BUTTON_LEFT;
    EXPECT_EQ(roundTrip(button).type, WindowMessage::leftButtonUp);
}

TEST(VirtualKeys, LettersDigitsAndNamedKeysMapToTheOriginalCodes) {
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_0), '0');
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_9), '9');
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_F12), 0x7B);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_RETURN), 0x0D);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_LEFT), 0x25);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_KP_0), 0x60);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_KP_9), 0x69);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_LALT), 0x12);
    // Keys without a code are not key messages at all.
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_UNKNOWN), 0);
    EXPECT_EQ(platform::virtualKeyFromSdl(SDLK_AUDIOPLAY), 0);
}

TEST(VideoDriver, NoDisplayIsRefusedUnlessAnInvisibleDriverWasAskedFor) {
    const char* display = std::getenv("DISPLAY");
    std::string savedDisplay = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    {
        auto window = platform::makeSdlGlWindow();
        EXPECT_FALSE(window->startVideo());
        EXPECT_NE(window->error(), "");
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    {
        auto window = platform::makeSdlGlWindow();
        EXPECT_TRUE(window->startVideo()) << window->error();
        EXPECT_EQ(window->videoDriver(), "offscreen");
        window->close();
    }
    unsetenv("SDL_VIDEODRIVER");
    if (display) setenv("DISPLAY", savedDisplay.c_str(), 1);
    EXPECT_TRUE(platform::isInvisibleVideoDriver("dummy"));
    EXPECT_FALSE(platform::isInvisibleVideoDriver("x11"));
}

// ------------------------------------------------------------- shell side

// A window system whose every step can be made to fail.
class ScriptedWindow : public platform::GlWindow {
public:
    bool videoOk = true;
    bool modeOk = true;
    OpenStep failAt = OpenStep::none;
    unsigned teardownFailures = 0;
    std::vector<std::string> calls;
    bool openedFullscreen = false;
    bool cursorVisible = true;

    bool startVideo() override { return log("startVideo"), videoOk; }
    bool switchDisplayMode(int, int, int) override { return log("switchDisplayMode"), modeOk; }
    void restoreDisplayMode() override { log("restoreDisplayMode"); }
    void showCursor(bool visible) override {
        log(visible ? "showCursor" : "hideCursor");
        cursorVisible = visible;
    }
    OpenStep open(const char*, int, int, int, int depthBits, bool fullscreen) override {
        log("open");
        openedFullscreen = fullscreen;
        depthRequested = depthBits;
        return failAt;
    }
    // Walks the five teardown steps, noting how many boxes were up before each.
    unsigned close() override {
        log("close");
        unsigned failed = 0;
        for (unsigned step = platform::teardownReleaseCurrent; step <= platform::teardownStopVideo; step <<= 1) {
            boxesBeforeStep.push_back(platform::recordedMessageBoxes().size());
            if (teardownFailures & step) failed |= teardownFailed(step);
        }
        return failed;
    }
    std::vector<std::size_t> boxesBeforeStep;
    int enableVsync() override { return log("vsync"), 0; }
    bool takeMessage(WindowMessage&) override { return false; }
    void swapBuffers() override {}
    void pause(unsigned) override {}
    std::string videoDriver() const override { return "scripted"; }
    std::string error() const override { return ""; }

    int depthRequested = 0;

private:
    void log(const char* call) { calls.push_back(call); }
};

class OpenWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        platform::recordMessageBoxes(true);
        auto owned = std::make_unique<ScriptedWindow>();
        window = owned.get();
        useGlWindow(std::move(owned));
    }
    void TearDown() override {
        useGlWindow(nullptr);
        platform::recordMessageBoxes(false);
        fullscreenMode = false;
    }
    const std::vector<platform::RecordedMessageBox>& boxes() {
        return platform::recordedMessageBoxes();
    }
    bool called(const std::string& name) {
        for (const std::string& call : window->calls) {
            if (call == name) return true;
        }
        return false;
    }

    testsupport::GlContext gl;   // openGlWindow sets GL state on success
    ScriptedWindow* window = nullptr;
};

TEST_F(OpenWindow, FullscreenWithTheModeSwitchedHidesTheCursor) {
    ASSERT_TRUE(openGlWindow("gravlet", 1024, 768, 32, true));
    EXPECT_TRUE(fullscreenMode);
    EXPECT_TRUE(window->openedFullscreen);
    EXPECT_FALSE(window->cursorVisible);
    EXPECT_EQ(window->depthRequested, 16);
    EXPECT_TRUE(boxes().empty());
    closeGlWindow();
    // Teardown restores the mode and the cursor, then releases the rest.
    std::vector<std::string> tail(window->calls.end() - 3, window->calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"restoreDisplayMode", "showCursor", "close"}));
}

TEST_F(OpenWindow, RefusedModeAnsweredYesOpensANormalWindow) {
    window->modeOk = false;
    platform::queueYesNoAnswer(true);
    ASSERT_TRUE(openGlWindow("gravlet", 1024, 768, 32, true));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].yesNo);
    EXPECT_EQ(boxes()[0].caption, "Vask GL");
    EXPECT_EQ(boxes()[0].text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed "
              "Mode Instead?");
    EXPECT_FALSE(fullscreenMode);
    EXPECT_FALSE(window->openedFullscreen);
    EXPECT_TRUE(window->cursorVisible);
    closeGlWindow();
    EXPECT_FALSE(called("restoreDisplayMode"));   // nothing was switched
}

TEST_F(OpenWindow, RefusedModeAnsweredNoEndsWithoutAWindow) {
    window->modeOk = false;
    platform::queueYesNoAnswer(false);
    EXPECT_FALSE(openGlWindow("gravlet", 1024, 768, 32, true));
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, "Program Will Now Close.");
    EXPECT_EQ(boxes()[1].caption, "ERROR");
    EXPECT_EQ(boxes()[1].icon, MessageIcon::error);
    EXPECT_FALSE(called("open"));
}

TEST_F(OpenWindow, NoWindowSystemIsTheClassRegistrationError) {
    window->videoOk = false;
    EXPECT_FALSE(openGlWindow("gravlet", 1024, 768, 32, true));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(boxes()[0].caption, "ERROR");
    EXPECT_EQ(boxes()[0].icon, MessageIcon::warning);
    EXPECT_FALSE(called("open"));
}

TEST_F(OpenWindow, EachFailedStepShowsItsTextAfterTheTeardown) {
    const std::pair<OpenStep, const char*> steps[] = {
        {OpenStep::window, "Window Creation Error."},
        {OpenStep::deviceContext, "Can't Create A GL Device Context."},
        {OpenStep::pixelFormat, "Can't Find A Suitable PixelFormat."},
        {OpenStep::setPixelFormat, "Can't Set The PixelFormat."},
        {OpenStep::context, "Can't Create A GL Rendering Context."},
        {OpenStep::makeCurrent, "Can't Activate The GL Rendering Context."},
    };
    for (const auto& [step, text] : steps) {
        SCOPED_TRACE(text);
        platform::recordMessageBoxes(true);
        window->calls.clear();
        window->failAt = step;
        EXPECT_FALSE(openGlWindow("gravlet", 1024, 768, 32, false));
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, text);
        EXPECT_EQ(boxes()[0].caption, "ERROR");
        ASSERT_FALSE(window->calls.empty());
        EXPECT_EQ(window->calls.back(), "close");   // released before the box
    }
}

TEST_F(OpenWindow, TeardownFailuresAreShownInOrderAndTheTeardownGoesOn) {
    ASSERT_TRUE(openGlWindow("gravlet", 1024, 768, 32, false));
    window->teardownFailures = platform::teardownReleaseCurrent | platform::teardownDestroyWindow |
                               platform::teardownStopVideo;
    closeGlWindow();
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[0].text, "Cannot release GDI device context or rendering context.");
    EXPECT_EQ(boxes()[1].text, "Couldn't release window.");
    EXPECT_EQ(boxes()[2].text, "Couldn't unregister class.");
    // Each box at its own step, before the steps after it ran.
    EXPECT_EQ(window->boxesBeforeStep, (std::vector<std::size_t>{0, 1, 1, 1, 2}));
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.icon, MessageIcon::information);
    }
    EXPECT_EQ(windowHandle, nullptr);
}

TEST_F(OpenWindow, LeavesTheDefaultGlStateWithFrontFacesCulled) {
    ASSERT_TRUE(openGlWindow("gravlet", 1024, 768, 32, false));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_FRONT);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    // Sphere mapping configured, generation left off.
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &value);
    EXPECT_EQ(value, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &value);
    EXPECT_EQ(value, GL_SPHERE_MAP);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    closeGlWindow();
}

// ------------------------------------------------------- window procedure

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(std::begin(keyDown), std::end(keyDown), 0);
        windowActive = 1;
    }
    static WindowMessage message(WindowMessage::Type type, int vk = 0) {
        WindowMessage m;
        m.type = type;
        m.virtualKey = vk;
        return m;
    }
};

TEST_F(WindowProc, KeysSetAndClearTheirEntrySystemKeysDoNot) {
    glWindowProc(message(WindowMessage::keyDown, 0x70));
    EXPECT_EQ(keyDown[0x70], 1);
    glWindowProc(message(WindowMessage::sysKeyUp, 0x70));
    EXPECT_EQ(keyDown[0x70], 1);
    glWindowProc(message(WindowMessage::keyUp, 0x70));
    EXPECT_EQ(keyDown[0x70], 0);
    glWindowProc(message(WindowMessage::sysKeyDown, 0x71));
    EXPECT_EQ(keyDown[0x71], 0);
}

TEST_F(WindowProc, MinimisingDeactivatesRestoringReactivates) {
    WindowMessage activate = message(WindowMessage::activate);
    activate.minimised = true;
    glWindowProc(activate);
    EXPECT_EQ(windowActive, 0);
    activate.minimised = false;   // focus lost but not iconified still counts as active
    glWindowProc(activate);
    EXPECT_EQ(windowActive, 1);
}

TEST_F(WindowProc, CloseQueuesTheQuitMessageWithCodeZeroAheadOfEverything) {
    glWindowProc(message(WindowMessage::close));
    WindowMessage next;
    ASSERT_TRUE(peekWindowMessage(next));
    EXPECT_EQ(next.type, WindowMessage::quit);
    EXPECT_EQ(next.code, 0);
    EXPECT_FALSE(peekWindowMessage(next));   // taken once
}

TEST_F(WindowProc, MouseStateIsRecorded) {
    WindowMessage move = message(WindowMessage::mouseMove);
    move.x = 100;
    move.y = 7;
    glWindowProc(move);
    glWindowProc(message(WindowMessage::leftButtonDown));
    glWindowProc(message(WindowMessage::rightButtonDown));
    glWindowProc(message(WindowMessage::rightButtonUp));
    EXPECT_EQ(mouseX, 100);
    EXPECT_EQ(mouseY, 7);
    EXPECT_EQ(mouseLeftDown, 1);
    EXPECT_EQ(mouseRightDown, 0);
}

TEST(GlView, ZeroHeightGivesAOnePixelViewAndAnAspectOfTheWidth) {
    testsupport::GlContext gl;
    ASSERT_TRUE(gl.ok());
    WindowMessage size;
    size.type = WindowMessage::size;
    size.x = 300;
    size.y = 0;
    glWindowProc(size);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 1);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective: m[0] = f / aspect, m[5] = f with f = cot(fov / 2).
    float f = 1.0f / std::tan(85.0f / 2.0f * 3.14159265f / 180.0f);
    EXPECT_NEAR(projection[5], f, 1e-4);
    EXPECT_NEAR(projection[5] / projection[0], 300.0f, 1e-2);
    // near 1, far 4200: m[10] = (far + near) / (near - far).
    EXPECT_NEAR(projection[10], 4201.0f / -4199.0f, 1e-5);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
