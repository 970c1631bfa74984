#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// The EGL display is initialised once per process and never terminated:
// eglTerminate would pull it from under any other live context.
EGLDisplay sharedDisplay(std::string& error) {
    static EGLDisplay display = EGL_NO_DISPLAY;
    if (display != EGL_NO_DISPLAY) return display;

    // No GPU is assumed; a caller that wants hardware sets the variable itself.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("EGL_PLATFORM", "surfaceless", 0);

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!clientExtensions || !std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        error = "EGL has no surfaceless platform";
        return EGL_NO_DISPLAY;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "eglGetPlatformDisplayEXT is missing";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay candidate = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (candidate == EGL_NO_DISPLAY) {
        error = "no surfaceless EGL display";
        return EGL_NO_DISPLAY;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(candidate, &major, &minor)) {
        error = "eglInitialize failed";
        return EGL_NO_DISPLAY;
    }
    display = candidate;
    return display;
}

// Prefers a config without alpha bits, like the demo's window: blends that
// read destination alpha must see 1, as on screen.
bool chooseConfig(EGLDisplay display, EGLint surfaceType, EGLConfig& config) {
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, surfaceType,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
        EGL_DEPTH_SIZE, 16,
        EGL_NONE,
    };
    EGLConfig candidates[64];
    EGLint found = 0;
    if (!eglChooseConfig(display, attributes, candidates, 64, &found) || found < 1) return false;
    config = candidates[0];
    for (EGLint i = 0; i < found; ++i) {
        EGLint alpha = 0;
        if (eglGetConfigAttrib(display, candidates[i], EGL_ALPHA_SIZE, &alpha) && alpha == 0) {
            config = candidates[i];
            break;
        }
    }
    return true;
}

struct FboFunctions {
    PFNGLGENFRAMEBUFFERSEXTPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSEXTPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEREXTPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSEXTPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSEXTPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEREXTPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC checkFramebufferStatus = nullptr;

    bool load() {
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSEXTPROC>(eglGetProcAddress("glGenFramebuffersEXT"));
        deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSEXTPROC>(eglGetProcAddress("glDeleteFramebuffersEXT"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFEREXTPROC>(eglGetProcAddress("glBindFramebufferEXT"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSEXTPROC>(eglGetProcAddress("glGenRenderbuffersEXT"));
        deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSEXTPROC>(eglGetProcAddress("glDeleteRenderbuffersEXT"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFEREXTPROC>(eglGetProcAddress("glBindRenderbufferEXT"));
        renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEEXTPROC>(eglGetProcAddress("glRenderbufferStorageEXT"));
        framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC>(eglGetProcAddress("glFramebufferRenderbufferEXT"));
        checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC>(eglGetProcAddress("glCheckFramebufferStatusEXT"));
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorage &&
               framebufferRenderbuffer && checkFramebufferStatus;
    }
};

FboFunctions& fboFunctions() {
    static FboFunctions functions;
    return functions;
}

}  // namespace

OffscreenGl::~OffscreenGl() { destroy(); }

bool OffscreenGl::fail(const std::string& text) {
    lastError = text;
    destroy();
    return false;
}

bool OffscreenGl::create(int width, int height, bool forceFramebufferObject) {
    destroy();
    lastError.clear();
    if (width < 1 || height < 1) return fail("offscreen frame size must be positive");
    frameWidth = width;
    frameHeight = height;

    std::string displayError;
    EGLDisplay eglDisplay = sharedDisplay(displayError);
    if (eglDisplay == EGL_NO_DISPLAY) return fail(displayError);
    display = eglDisplay;
    if (!eglBindAPI(EGL_OPENGL_API)) return fail("EGL cannot bind the OpenGL API");

    EGLConfig config = nullptr;
    bool pbuffer = !forceFramebufferObject && chooseConfig(eglDisplay, EGL_PBUFFER_BIT, config);
    if (!pbuffer && !chooseConfig(eglDisplay, 0, config)) return fail("no RGB8 config with 16 depth bits");

    // No version or profile asked: Mesa then gives a compatibility context.
    EGLContext eglContext = eglCreateContext(eglDisplay, config, EGL_NO_CONTEXT, nullptr);
    if (eglContext == EGL_NO_CONTEXT) return fail("eglCreateContext failed");
    context = eglContext;

    if (pbuffer) {
        const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        EGLSurface eglSurface = eglCreatePbufferSurface(eglDisplay, config, surfaceAttributes);
        if (eglSurface != EGL_NO_SURFACE) surface = eglSurface;
    }
    if (!makeCurrent()) return fail("eglMakeCurrent failed");
    if (!surface && !createFramebufferObject()) return false;

    glViewport(0, 0, width, height);
    return true;
}

bool OffscreenGl::createFramebufferObject() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    FboFunctions& gl = fboFunctions();
    if (!extensions || !std::strstr(extensions, "GL_EXT_framebuffer_object") || !gl.load())
        return fail("no pbuffer and no EXT_framebuffer_object");

    gl.genFramebuffers(1, &fbo);
    gl.bindFramebuffer(GL_FRAMEBUFFER_EXT, fbo);
    gl.genRenderbuffers(1, &colorBuffer);
    gl.bindRenderbuffer(GL_RENDERBUFFER_EXT, colorBuffer);
    gl.renderbufferStorage(GL_RENDERBUFFER_EXT, GL_RGB8, frameWidth, frameHeight);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colorBuffer);
    gl.genRenderbuffers(1, &depthBuffer);
    gl.bindRenderbuffer(GL_RENDERBUFFER_EXT, depthBuffer);
    gl.renderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT16, frameWidth, frameHeight);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depthBuffer);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT)
        return fail("offscreen framebuffer is incomplete");
    // Draw, clear and read all go to the attachment, as to a window's buffer.
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    return true;
}

bool OffscreenGl::makeCurrent() {
    if (!context) return false;
    EGLSurface eglSurface = surface ? static_cast<EGLSurface>(surface) : EGL_NO_SURFACE;
    if (!eglMakeCurrent(display, eglSurface, eglSurface, static_cast<EGLContext>(context))) return false;
    if (fbo) fboFunctions().bindFramebuffer(GL_FRAMEBUFFER_EXT, fbo);
    return true;
}

void OffscreenGl::destroy() {
    if (context) {
        EGLDisplay eglDisplay = static_cast<EGLDisplay>(display);
        if (fbo && makeCurrent()) {
            FboFunctions& gl = fboFunctions();
            gl.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
            gl.deleteRenderbuffers(1, &colorBuffer);
            gl.deleteRenderbuffers(1, &depthBuffer);
            gl.deleteFramebuffers(1, &fbo);
        }
        if (eglGetCurrentContext() == static_cast<EGLContext>(context))
            eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface) eglDestroySurface(eglDisplay, static_cast<EGLSurface>(surface));
        eglDestroyContext(eglDisplay, static_cast<EGLContext>(context));
    }
    context = nullptr;
    surface = nullptr;
    fbo = colorBuffer = depthBuffer = 0;
}

std::vector<std::uint8_t> OffscreenGl::readPixels() const {
    std::vector<std::uint8_t> rgba(std::size_t(frameWidth) * std::size_t(frameHeight) * 4u);
    if (!context || rgba.empty()) return rgba;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

std::vector<std::uint8_t> OffscreenGl::readPixelsTopDown() const {
    return flipRows(readPixels(), frameWidth, frameHeight);
}

bool OffscreenGl::writePng(const std::string& path) const {
    if (!context) return false;
    return writeRgbaPng(path, frameWidth, frameHeight, readPixelsTopDown());
}

std::vector<std::uint8_t> flipRows(const std::vector<std::uint8_t>& rgba, int width, int height) {
    std::vector<std::uint8_t> flipped(rgba.size());
    const std::size_t stride = std::size_t(width) * 4u;
    if (width < 1 || height < 1 || rgba.size() != stride * std::size_t(height)) return rgba;
    for (int row = 0; row < height; ++row)
        std::memcpy(&flipped[std::size_t(height - 1 - row) * stride], &rgba[std::size_t(row) * stride], stride);
    return flipped;
}

bool writeRgbaPng(const std::string& path, int width, int height,
                  const std::vector<std::uint8_t>& topDownRgba) {
    const std::size_t stride = std::size_t(width) * 4u;
    if (width < 1 || height < 1 || topDownRgba.size() != stride * std::size_t(height)) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row)
        rows[std::size_t(row)] = const_cast<png_bytep>(&topDownRgba[std::size_t(row) * stride]);

    // libpng reports errors by longjmp; nothing with a destructor is created below.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace platform
