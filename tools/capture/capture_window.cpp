#include "tools/capture/capture_window.h"

#include <GL/gl.h>

namespace capture {

platform::OpenStep CaptureWindow::open(const char*, int width, int height, int, int, bool) {
    // The offscreen frame is always RGBA8 with 16 depth bits, as the demo asks.
    if (!offscreen.create(width, height)) return platform::OpenStep::context;
    return platform::OpenStep::none;
}

unsigned CaptureWindow::close() {
    offscreen.destroy();
    return 0;
}

void CaptureWindow::swapBuffers() {
    if (!offscreen.valid()) return;
    // A real swap waits for the frame too; frame times mean nothing without it.
    glFinish();
    if (onSwap) onSwap();
}

void CaptureWindow::pause(unsigned ms) {
    if (onPause) onPause(ms);
}

}  // namespace capture
