#pragma once
// platform::OffscreenGl: an OpenGL compatibility context with no display,
// from Mesa through EGL's surfaceless platform. Works without an X server or
// a GPU (software rendering is forced unless LIBGL_ALWAYS_SOFTWARE is set).
//
// The frame is width x height RGBA8 with a 16-bit depth buffer: an EGL
// pbuffer where the config allows, else a framebuffer object that stays
// bound, so GL 1.1 code draws, clears and reads as on a window's buffer.
//
// Pixel rows: readPixels() returns them as GL gives them (bottom row first);
// readPixelsTopDown() and writePng() put the top row first.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class OffscreenGl {
public:
    OffscreenGl() = default;
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    // Creates the context and makes it current, with the viewport set to the
    // whole frame. False with error() set when no context can be had.
    // `forceFramebufferObject` skips the pbuffer (to exercise that path).
    bool create(int width = 1024, int height = 768, bool forceFramebufferObject = false);
    void destroy();
    bool makeCurrent();
    bool valid() const { return context != nullptr; }

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    bool usesFramebufferObject() const { return fbo != 0; }
    const std::string& error() const { return lastError; }

    // width * height * 4 bytes, RGBA, after glFinish.
    std::vector<std::uint8_t> readPixels() const;
    std::vector<std::uint8_t> readPixelsTopDown() const;
    bool writePng(const std::string& path) const;

private:
    void* display = nullptr;    // EGLDisplay
    void* context = nullptr;    // EGLContext
    void* surface = nullptr;    // EGLSurface, null when drawing into the FBO
    unsigned fbo = 0;
    unsigned colorBuffer = 0;
    unsigned depthBuffer = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    std::string lastError;

    bool fail(const std::string& text);
    bool createFramebufferObject();
};

// Writes top-down RGBA rows (width * height * 4 bytes) as an 8-bit RGBA PNG.
bool writeRgbaPng(const std::string& path, int width, int height,
                  const std::vector<std::uint8_t>& topDownRgba);

// Reverses the row order of a width * height RGBA buffer.
std::vector<std::uint8_t> flipRows(const std::vector<std::uint8_t>& rgba, int width, int height);

}  // namespace platform
