#pragma once
// platform::GlWindow: the one top-level window with a current OpenGL
// context, in the shape the shell needs it. The shell walks the steps
// (video up, display mode, window with context, events, swap, teardown) and
// shows the messages; a GlWindow only does the window-system work and says
// which step failed.
//
// makeGlWindow gives the platform's own: SDL2 on Linux, Win32 and WGL on
// Windows. The capture tool drives the same shell code through its own
// GlWindow on an offscreen context.
//
// Messages: one window-system event is one WindowMessage. Keys carry the
// original platform's virtual-key codes (Esc 0x1B, F1 0x70, F2 0x71,
// letters and digits by their ASCII capitals); a key pressed or released
// with Alt held is a system key (sysKeyDown / sysKeyUp).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

enum : int {
    vkBack = 0x08, vkTab = 0x09, vkReturn = 0x0D, vkShift = 0x10, vkControl = 0x11,
    vkMenu = 0x12, vkEscape = 0x1B, vkSpace = 0x20, vkLeft = 0x25, vkUp = 0x26,
    vkRight = 0x27, vkDown = 0x28, vkF1 = 0x70, vkF2 = 0x71, vkF12 = 0x7B,
};

struct WindowMessage {
    enum Type : std::uint8_t {
        none,
        quit,           // code is the exit code carried (0 from the window system)
        close,          // close button or window-manager close request
        activate,       // minimised tells whether the window is iconified
        keyDown, keyUp,             // virtualKey 1..255
        sysKeyDown, sysKeyUp,       // virtualKey 1..255, Alt held
        character,      // virtualKey is the character code a key-down produced (Esc: 0x1B)
        size,           // x, y: new client width and height in pixels
        mouseMove,      // x, y: client pixels
        leftButtonDown, leftButtonUp, rightButtonDown, rightButtonUp,
        other,          // anything else: default handling, which does nothing
    };
    Type type = none;
    int virtualKey = 0;
    int code = 0;
    bool minimised = false;
    int x = 0;
    int y = 0;
};

// The step of opening that failed; none when the window is open.
enum class OpenStep {
    none,
    window,          // the window itself
    deviceContext,   // the window's drawable
    pixelFormat,     // no visual with the requested colour and depth bits
    setPixelFormat,
    context,         // GL context creation
    makeCurrent,
};

// Teardown steps that can fail, as bit flags of GlWindow::close().
enum : unsigned {
    teardownReleaseCurrent = 1u,
    teardownDeleteContext = 2u,
    teardownReleaseDrawable = 4u,
    teardownDestroyWindow = 8u,
    teardownStopVideo = 16u,
};

class GlWindow {
public:
    virtual ~GlWindow() = default;

    // Brings the window system up. False (reason in error()) also when no
    // display is reachable: an offscreen or dummy video driver is accepted
    // only when it was asked for explicitly.
    virtual bool startVideo() = 0;
    // Looks for a display mode of exactly width x height (at least 24 bits
    // when bits >= 24) and remembers it for a fullscreen open. False: the
    // mode is refused.
    virtual bool switchDisplayMode(int width, int height, int bits) = 0;
    virtual void restoreDisplayMode() = 0;
    virtual void showCursor(bool visible) = 0;
    // Window of the given client size, double-buffered GL compatibility
    // context with `depthBits` depth bits made current, window shown and
    // focused. What was made before a failure stays held until close().
    virtual OpenStep open(const char* title, int width, int height, int bits, int depthBits,
                          bool fullscreen) = 0;
    // Releases whatever is held, in reverse order; each step runs only if
    // its part is held. A failing step is reported through teardownFailed
    // before the next step runs; returns the flags of all that failed.
    virtual unsigned close() = 0;
    // Who hears of each failing teardown step (the shell shows a box).
    void onTeardownFailure(std::function<void(unsigned step)> listener) {
        teardownListener = std::move(listener);
    }

    // Vsync: adaptive first, then plain. Returns the interval in effect
    // (-1 adaptive, 1 plain, 0 none: the loop runs free).
    virtual int enableVsync() = 0;
    // Takes one pending message without waiting; false when none waits.
    virtual bool takeMessage(WindowMessage& message) = 0;
    virtual void swapBuffers() = 0;
    // Lets `ms` milliseconds of the demo clock pass without drawing: a real
    // window sleeps, a window on a virtual clock advances it.
    virtual void pause(unsigned ms) = 0;

    // Name of the video driver in use ("" before startVideo) and the last
    // failure text of the window system.
    virtual std::string videoDriver() const = 0;
    virtual std::string error() const = 0;

protected:
    // For close(): tells the listener at once; returns `step`.
    unsigned teardownFailed(unsigned step) {
        if (teardownListener) teardownListener(step);
        return step;
    }

private:
    std::function<void(unsigned)> teardownListener;
};

std::unique_ptr<GlWindow> makeGlWindow();

// Original virtual-key code for an SDL keycode; 0 for keys without one.
int virtualKeyFromSdl(std::int32_t sdlKeycode);

// True when the named SDL video driver draws nowhere visible.
bool isInvisibleVideoDriver(const std::string& driver);

}  // namespace platform
