#pragma once
// capture::CaptureWindow: the shell's window on a headless EGL context. It
// has no display, no cursor and no messages (so no keys: Esc, F1 and F2
// never arrive). A swap finishes the frame and hands it to the capture
// run, which reads it back when it wants it and moves the virtual clock on
// to the next frame's time.
#include <functional>
#include <string>

#include "platform/offscreen_gl.h"
#include "platform/window.h"

namespace capture {

class CaptureWindow : public platform::GlWindow {
public:
    std::function<void()> onSwap;                 // after glFinish, before anything is cleared
    std::function<void(unsigned ms)> onPause;     // time passing without drawing

    const platform::OffscreenGl& frame() const { return offscreen; }

    bool startVideo() override { return true; }
    // There is no display mode to switch; any size is drawn as asked.
    bool switchDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    void showCursor(bool) override {}
    platform::OpenStep open(const char* title, int width, int height, int bits, int depthBits,
                            bool fullscreen) override;
    unsigned close() override;
    int enableVsync() override { return 0; }
    bool takeMessage(platform::WindowMessage&) override { return false; }
    void swapBuffers() override;
    void pause(unsigned ms) override;
    std::string videoDriver() const override { return "offscreen"; }
    std::string error() const override { return offscreen.error(); }

private:
    platform::OffscreenGl offscreen;
};

}  // namespace capture
