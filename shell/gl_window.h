#pragma once
// The demo's window: opening and closing it with every message the user may
// see, the GL view and default state, and the window procedure that turns
// window messages into the shell's key, mouse and activation state.
//
// The window system sits behind platform::GlWindow. By default the SDL one
// is used; the capture tool installs its own with useGlWindow() before
// openGlWindow().
#include <cstdint>
#include <memory>

#include "platform/window.h"

// Shell globals; zero or null at start unless stated.
extern platform::GlWindow* windowHandle;   // the window system's window; null when none
extern void* deviceContext;                // handed to the font set; the window system needs none
extern bool fullscreenMode;                // true while the display mode is switched
extern std::uint8_t windowActive;          // starts at 1; scenes render only while it is 1
extern std::uint8_t keyDown[256];          // by virtual-key code, 1 while down
extern std::int32_t mouseX, mouseY;        // client pixels
extern std::int32_t mouseLeftDown, mouseRightDown;

// Installs the window system openGlWindow uses (the shell owns it).
void useGlWindow(std::unique_ptr<platform::GlWindow> window);

// Opens the window with a current GL context. Tries fullscreen first when
// asked, offering a window instead when the mode is refused. False once
// the failure has been shown to the user.
bool openGlWindow(const char* title, int width, int height, int bits, bool fullscreen);
// Undoes what openGlWindow achieved; teardown failures are shown and the
// teardown goes on.
void closeGlWindow();
// Viewport and projection for a client area (85 degrees, near 1, far 4200).
void resizeGlView(int width, int height);
// Default GL state (front faces culled); always true.
bool initGlState();

// The window procedure: applies one message to the shell state.
void glWindowProc(const platform::WindowMessage& message);

// The message queue as the frame loop sees it: a posted quit message comes
// first, then the window system's pending events. False when none waits.
bool peekWindowMessage(platform::WindowMessage& message);
void postQuitMessage(int code);
// Swaps the window's buffers (no-op without a window).
void swapWindowBuffers();

// Texts the window shows, as they appear to the user.
namespace windowText {
constexpr const char* registerClass = "Failed To Register The Window Class.";
constexpr const char* fullscreenQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";
constexpr const char* fullscreenCaption = "Vask GL";
constexpr const char* willClose = "Program Will Now Close.";
constexpr const char* initFailed = "Initialization Failed.";
constexpr const char* errorCaption = "ERROR";
constexpr const char* shutdownCaption = "SHUTDOWN ERROR";
}  // namespace windowText

// Message for a failed opening step; null for OpenStep::none.
const char* openStepText(platform::OpenStep step);
// Message for one failed teardown step (a platform::teardown* flag).
const char* teardownStepText(unsigned step);
