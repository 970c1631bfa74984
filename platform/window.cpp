#include "platform/window.h"

#include <SDL.h>

#include <cstring>

namespace platform {

namespace {

// SDL's window events become the messages of a window procedure: iconify
// and restore drive activation, the size event resizes the view.
WindowMessage windowEventMessage(const SDL_WindowEvent& event, SDL_Window* window) {
    WindowMessage message;
    message.type = WindowMessage::other;
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        message.type = WindowMessage::activate;
        message.minimised = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        message.type = WindowMessage::activate;
        message.minimised = false;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        message.type = WindowMessage::activate;
        message.minimised = window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) != 0;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        message.type = WindowMessage::size;
        message.x = event.data1;
        message.y = event.data2;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        message.type = WindowMessage::close;
        break;
    default:
        break;
    }
    return message;
}

WindowMessage translate(const SDL_Event& event, SDL_Window* window) {
    WindowMessage message;
    message.type = WindowMessage::other;
    switch (event.type) {
    case SDL_QUIT:
        message.type = WindowMessage::quit;
        message.code = 0;
        break;
    case SDL_WINDOWEVENT:
        message = windowEventMessage(event.window, window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int vk = virtualKeyFromSdl(event.key.keysym.sym);
        if (vk == 0) break;
        bool down = event.type == SDL_KEYDOWN;
        bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        if (alt) {
            message.type = down ? WindowMessage::sysKeyDown : WindowMessage::sysKeyUp;
        } else {
            message.type = down ? WindowMessage::keyDown : WindowMessage::keyUp;
        }
        message.virtualKey = vk;
        break;
    }
    case SDL_MOUSEMOTION:
        message.type = WindowMessage::mouseMove;
        message.x = event.motion.x;
        message.y = event.motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (event.button.button == SDL_BUTTON_LEFT) {
            message.type = down ? WindowMessage::leftButtonDown : WindowMessage::leftButtonUp;
        } else if (event.button.button == SDL_BUTTON_RIGHT) {
            message.type = down ? WindowMessage::rightButtonDown : WindowMessage::rightButtonUp;
        }
        message.x = event.button.x;
        message.y = event.button.y;
        break;
    }
    default:
        break;
    }
    return message;
}

class SdlGlWindow : public GlWindow {
public:
    ~SdlGlWindow() override { close(); }

    bool startVideo() override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            lastError = SDL_GetError();
            return false;
        }
        videoStarted = true;
        const char* name = SDL_GetCurrentVideoDriver();
        driver = name ? name : "";
        // With no display SDL falls back to a driver that draws nowhere;
        // the demo must not run invisibly unless that was asked for.
        const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        bool explicitRequest = requested && requested[0] != '\0';
        if (isInvisibleVideoDriver(driver) && !explicitRequest) {
            lastError = "no display available (SDL video driver '" + driver + "')";
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            videoStarted = false;
            return false;
        }
        return true;
    }

    bool switchDisplayMode(int width, int height, int bits) override {
        if (!videoStarted) return false;
        int count = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
            int modeBits = int(SDL_BITSPERPIXEL(mode.format));
            // X servers report 24 for a 32-bit true-colour visual.
            bool deepEnough = bits < 24 ? modeBits >= bits : modeBits >= 24;
            if (mode.w == width && mode.h == height && deepEnough) {
                fullscreenMode = mode;
                haveMode = true;
                return true;
            }
        }
        lastError = "no display mode " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }

    void restoreDisplayMode() override {
        if (window) SDL_SetWindowFullscreen(window, 0);
        haveMode = false;
    }

    void showCursor(bool visible) override {
        if (videoStarted) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }

    OpenStep open(const char* title, int width, int height, int bits, int depthBits,
                  bool fullscreen) override {
        SDL_GL_ResetAttributes();
        int channel = bits >= 24 ? 8 : 5;
        bool attributesSet =
            SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY) == 0 &&
            SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) == 0 &&
            SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel) == 0 &&
            SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel) == 0 &&
            SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel) == 0 &&
            SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits) == 0;
        if (!attributesSet) return failed(OpenStep::setPixelFormat);

        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        flags |= fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
        window = SDL_CreateWindow(title, 0, 0, width, height, flags);
        if (!window) {
            // SDL picks the visual inside window creation; a refused visual
            // is the pixel-format step of the original sequence.
            const char* why = SDL_GetError();
            bool visual = why && (std::strstr(why, "visual") || std::strstr(why, "pixel format"));
            return failed(visual ? OpenStep::pixelFormat : OpenStep::window);
        }
        if (fullscreen && haveMode) SDL_SetWindowDisplayMode(window, &fullscreenMode);

        context = SDL_GL_CreateContext(window);
        if (!context) return failed(OpenStep::context);
        if (SDL_GL_MakeCurrent(window, context) != 0) return failed(OpenStep::makeCurrent);
        int depth = 0;
        if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth) != 0 || depth < depthBits) {
            lastError = "depth buffer of " + std::to_string(depth) + " bits";
            return OpenStep::pixelFormat;
        }

        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        return OpenStep::none;
    }

    unsigned close() override {
        unsigned failures = 0;
        if (context) {
            if (SDL_GL_MakeCurrent(window, nullptr) != 0) failures |= teardownFailed(teardownReleaseCurrent);
            SDL_GL_DeleteContext(context);
            context = nullptr;
        }
        if (window) {
            SDL_DestroyWindow(window);
            window = nullptr;
        }
        if (videoStarted) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            videoStarted = false;
        }
        haveMode = false;
        return failures;
    }

    int enableVsync() override {
        if (!context) return 0;
        if (SDL_GL_SetSwapInterval(-1) == 0) return -1;
        if (SDL_GL_SetSwapInterval(1) == 0) return 1;
        return 0;
    }

    bool takeMessage(WindowMessage& message) override {
        if (!videoStarted) return false;
        // A key-down of Esc is followed at once by its character message, so
        // that the loop, which looks at the key state before it handles a
        // message, sees Esc down on the very next message: the press ends the
        // demo, not the release. SDL sends no text for Esc.
        if (escCharacterPending) {
            escCharacterPending = false;
            message = WindowMessage();
            message.type = WindowMessage::character;
            message.virtualKey = vkEscape;
            return true;
        }
        SDL_Event event;
        if (!SDL_PollEvent(&event)) return false;
        message = translate(event, window);
        escCharacterPending = message.type == WindowMessage::keyDown && message.virtualKey == vkEscape;
        return true;
    }

    void swapBuffers() override {
        if (window) SDL_GL_SwapWindow(window);
    }

    void pause(unsigned ms) override { SDL_Delay(ms); }

    std::string videoDriver() const override { return driver; }
    std::string error() const override { return lastError; }

private:
    OpenStep failed(OpenStep step) {
        const char* why = SDL_GetError();
        lastError = why ? why : "";
        return step;
    }

    bool videoStarted = false;
    bool escCharacterPending = false;
    bool haveMode = false;
    SDL_DisplayMode fullscreenMode{};
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string driver;
    std::string lastError;
};

}  // namespace

std::unique_ptr<GlWindow> makeGlWindow() { return std::make_unique<SdlGlWindow>(); }

bool isInvisibleVideoDriver(const std::string& driver) {
    return driver == "offscreen" || driver == "dummy" || driver == "evdev";
}

int virtualKeyFromSdl(std::int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return 0x7C + (key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 0x61 + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_BACKSPACE: return vkBack;
    case SDLK_TAB: return vkTab;
    case SDLK_RETURN: case SDLK_KP_ENTER: return vkReturn;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return vkShift;
    case SDLK_LCTRL: case SDLK_RCTRL: return vkControl;
    case SDLK_LALT: case SDLK_RALT: return vkMenu;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return vkEscape;
    case SDLK_SPACE: return vkSpace;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return vkLeft;
    case SDLK_UP: return vkUp;
    case SDLK_RIGHT: return vkRight;
    case SDLK_DOWN: return vkDown;
    case SDLK_PRINTSCREEN: return 0x2C;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    case SDLK_APPLICATION: return 0x5D;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_NUMLOCKCLEAR: return 0x90;
    case SDLK_SCROLLLOCK: return 0x91;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return 0xBC;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return 0xBE;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
    default: return 0;
    }
}

}  // namespace platform
