#include "shell/gl_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <string>

#include "platform/message_box.h"

platform::GlWindow* windowHandle = nullptr;
void* deviceContext = nullptr;
bool fullscreenMode = false;
std::uint8_t windowActive = 1;
std::uint8_t keyDown[256] = {};
std::int32_t mouseX = 0, mouseY = 0;
std::int32_t mouseLeftDown = 0, mouseRightDown = 0;

namespace {

std::unique_ptr<platform::GlWindow> installed;
bool quitPosted = false;
int quitCode = 0;

void showError(const char* text, platform::MessageIcon icon = platform::MessageIcon::warning) {
    platform::showMessageBox(text, windowText::errorCaption, icon);
}

// The window system's own reason, for whoever reads standard error.
void reportDetail(const std::string& detail) {
    if (!detail.empty()) std::fprintf(stderr, "gravlet: %s\n", detail.c_str());
}

}  // namespace

void useGlWindow(std::unique_ptr<platform::GlWindow> window) { installed = std::move(window); }

const char* openStepText(platform::OpenStep step) {
    switch (step) {
    case platform::OpenStep::none: return nullptr;
    case platform::OpenStep::window: return "Window Creation Error.";
    case platform::OpenStep::deviceContext: return "Can't Create A GL Device Context.";
    case platform::OpenStep::pixelFormat: return "Can't Find A Suitable PixelFormat.";
    case platform::OpenStep::setPixelFormat: return "Can't Set The PixelFormat.";
    case platform::OpenStep::context: return "Can't Create A GL Rendering Context.";
    case platform::OpenStep::makeCurrent: return "Can't Activate The GL Rendering Context.";
    }
    return nullptr;
}

const char* teardownStepText(unsigned step) {
    switch (step) {
    case platform::teardownReleaseCurrent: return "Cannot release GDI device context or rendering context.";
    case platform::teardownDeleteContext: return "Cannot release rendering context.";
    case platform::teardownReleaseDrawable: return "Cannot release GDI device context.";
    case platform::teardownDestroyWindow: return "Couldn't release window.";
    case platform::teardownStopVideo: return "Couldn't unregister class.";
    }
    return "";
}

bool openGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
    fullscreenMode = fullscreen;
    if (!installed) installed = platform::makeGlWindow();
    platform::GlWindow* window = installed.get();

    // Bringing the window system up stands for registering the class.
    if (!window->startVideo()) {
        reportDetail(window->error());
        showError(windowText::registerClass);
        return false;
    }

    if (fullscreenMode && !window->switchDisplayMode(width, height, bits)) {
        reportDetail(window->error());
        if (platform::askYesNo(windowText::fullscreenQuestion, windowText::fullscreenCaption,
                               platform::MessageIcon::warning)) {
            fullscreenMode = false;
        } else {
            showError(windowText::willClose, platform::MessageIcon::error);
            return false;
        }
    }
    if (fullscreenMode) window->showCursor(false);

    windowHandle = window;
    platform::OpenStep step = window->open(title, width, height, bits, 16, fullscreenMode);
    if (step != platform::OpenStep::none) {
        std::string detail = window->error();
        closeGlWindow();
        reportDetail(detail);
        showError(openStepText(step));
        return false;
    }

    resizeGlView(width, height);
    if (!initGlState()) {
        closeGlWindow();
        showError(windowText::initFailed);
        return false;
    }

    // Sphere mapping is configured here; the renderers switch it on.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);

    // Without vsync the loop runs free.
    window->enableVsync();
    return true;
}

void closeGlWindow() {
    if (!installed) return;
    platform::GlWindow* window = installed.get();
    if (fullscreenMode) {
        window->restoreDisplayMode();
        window->showCursor(true);
    }
    // Each failing step's box is shown at that step; the teardown goes on after it.
    window->onTeardownFailure([](unsigned step) {
        platform::showMessageBox(teardownStepText(step), windowText::shutdownCaption,
                                 platform::MessageIcon::information);
    });
    window->close();
    window->onTeardownFailure(nullptr);
    windowHandle = nullptr;
}

void resizeGlView(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(85.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height), 1.0, 4200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool initGlState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // The view flip reverses every winding, so the faces to discard are the front ones.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    return true;
}

void glWindowProc(const platform::WindowMessage& message) {
    using platform::WindowMessage;
    switch (message.type) {
    case WindowMessage::activate:
        windowActive = message.minimised ? 0 : 1;
        break;
    case WindowMessage::close:
        postQuitMessage(0);
        break;
    case WindowMessage::keyDown:
        keyDown[message.virtualKey & 0xFF] = 1;
        break;
    case WindowMessage::keyUp:
        keyDown[message.virtualKey & 0xFF] = 0;
        break;
    case WindowMessage::size:
        resizeGlView(message.x, message.y);
        initGlState();
        break;
    case WindowMessage::mouseMove:
        mouseX = message.x;
        mouseY = message.y;
        break;
    case WindowMessage::leftButtonDown: mouseLeftDown = 1; break;
    case WindowMessage::leftButtonUp: mouseLeftDown = 0; break;
    case WindowMessage::rightButtonDown: mouseRightDown = 1; break;
    case WindowMessage::rightButtonUp: mouseRightDown = 0; break;
    default:
        // System keys and everything else: default handling, which changes nothing here.
        break;
    }
}

bool peekWindowMessage(platform::WindowMessage& message) {
    if (quitPosted) {
        quitPosted = false;
        message = platform::WindowMessage();
        message.type = platform::WindowMessage::quit;
        message.code = quitCode;
        return true;
    }
    return windowHandle && windowHandle->takeMessage(message);
}

void postQuitMessage(int code) {
    quitPosted = true;
    quitCode = code;
}

void swapWindowBuffers() {
    if (windowHandle) windowHandle->swapBuffers();
}
