#pragma once
// testsupport::GlContext: a current headless OpenGL compatibility context
// (Mesa, EGL surfaceless) for one test, 1024 x 768 by default, with the
// viewport on the whole frame and a 16-bit depth buffer. A test fails when
// none can be made. Or derive a fixture from GlTest and use its `gl`.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/offscreen_gl.h"

namespace testsupport {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba& other) const {
        return r == other.r && g == other.g && b == other.b && a == other.a;
    }
    bool operator!=(const Rgba& other) const { return !(*this == other); }
};

// Largest per-channel difference (ignoring alpha when `withAlpha` is false).
int channelDistance(const Rgba& a, const Rgba& b, bool withAlpha = false);

// Prints as (r, g, b, a) in gtest messages.
void PrintTo(const Rgba& pixel, std::ostream* out);

class GlContext {
public:
    // `forceFramebufferObject` draws into an FBO instead of a pbuffer.
    explicit GlContext(int width = 1024, int height = 768, bool forceFramebufferObject = false);
    ~GlContext() = default;
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    bool ok() const { return context.valid(); }
    int width() const { return context.width(); }
    int height() const { return context.height(); }

    // Window coordinates, origin bottom-left as in glReadPixels.
    Rgba pixel(int x, int y) const;
    // Screen coordinates: row 0 is the top row of the picture.
    Rgba pixelFromTop(int x, int row) const;
    // Whole frame, top row first, width * height * 4 bytes.
    std::vector<std::uint8_t> frame() const { return context.readPixelsTopDown(); }
    // Writes the frame as PNG (for looking at what a test drew).
    bool savePng(const std::string& path) const { return context.writePng(path); }

    platform::OffscreenGl& offscreen() { return context; }

private:
    platform::OffscreenGl context;
};

// Fixture: a fresh context per test in `gl`.
class GlTest : public ::testing::Test {
protected:
    GlContext gl;
};

}  // namespace testsupport
