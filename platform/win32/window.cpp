// Windows: the demo's window is a Win32 window of class "OpenGL" with a WGL
// context. Its window procedure turns the messages the shell cares about
// into WindowMessages, queued in the order they arrive; everything else gets
// the default handling.
#include "platform/window.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstring>
#include <deque>

namespace platform {

namespace {

const char* const className = "OpenGL";

// The one window's messages, filled by the window procedure (which also
// runs inside creation, show and destroy calls) and taken by takeMessage.
std::deque<WindowMessage> pendingMessages;

void queueMessage(WindowMessage::Type type, int virtualKey = 0, int x = 0, int y = 0) {
    WindowMessage message;
    message.type = type;
    message.virtualKey = virtualKey;
    message.x = x;
    message.y = y;
    pendingMessages.push_back(message);
}

LRESULT CALLBACK glWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int low = LOWORD(lParam), high = HIWORD(lParam);
    switch (message) {
    case WM_ACTIVATE: {
        WindowMessage activate;
        activate.type = WindowMessage::activate;
        activate.minimised = HIWORD(wParam) != 0;
        pendingMessages.push_back(activate);
        return 0;
    }
    case WM_SYSCOMMAND:
        // Neither screen saver nor monitor power-down while the demo runs.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    case WM_CLOSE:
        // The shell posts the quit message; the window stays until teardown.
        queueMessage(WindowMessage::close);
        return 0;
    case WM_KEYDOWN: queueMessage(WindowMessage::keyDown, int(wParam & 0xFF)); return 0;
    case WM_KEYUP: queueMessage(WindowMessage::keyUp, int(wParam & 0xFF)); return 0;
    case WM_SYSKEYDOWN:
        // Alt-keys: noted, then the default handling (Alt-F4 closes).
        queueMessage(WindowMessage::sysKeyDown, int(wParam & 0xFF));
        break;
    case WM_SYSKEYUP:
        queueMessage(WindowMessage::sysKeyUp, int(wParam & 0xFF));
        break;
    case WM_CHAR: queueMessage(WindowMessage::character, int(wParam & 0xFF)); return 0;
    case WM_SIZE: queueMessage(WindowMessage::size, 0, low, high); return 0;
    case WM_MOUSEMOVE: queueMessage(WindowMessage::mouseMove, 0, low, high); return 0;
    case WM_LBUTTONDOWN: queueMessage(WindowMessage::leftButtonDown, 0, low, high); return 0;
    case WM_LBUTTONUP: queueMessage(WindowMessage::leftButtonUp, 0, low, high); return 0;
    case WM_RBUTTONDOWN: queueMessage(WindowMessage::rightButtonDown, 0, low, high); return 0;
    case WM_RBUTTONUP: queueMessage(WindowMessage::rightButtonUp, 0, low, high); return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string systemErrorText(const char* what) {
    DWORD code = GetLastError();
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    std::string result = std::string(what) + " (error " + std::to_string(code) + ")";
    if (text[0]) result += ": " + std::string(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

class Win32GlWindow : public GlWindow {
public:
    ~Win32GlWindow() override { close(); }

    bool startVideo() override {
        moduleInstance = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = glWindowProc;
        windowClass.hInstance = moduleInstance;
        windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        if (!RegisterClassA(&windowClass)) {
            lastError = systemErrorText("RegisterClass");
            return false;
        }
        classRegistered = true;
        return true;
    }

    bool switchDisplayMode(int width, int height, int bits) override {
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = DWORD(width);
        mode.dmPelsHeight = DWORD(height);
        mode.dmBitsPerPel = DWORD(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
        if (result != DISP_CHANGE_SUCCESSFUL) {
            lastError = "ChangeDisplaySettings refused " + std::to_string(width) + "x" +
                        std::to_string(height) + "x" + std::to_string(bits) + " (" +
                        std::to_string(result) + ")";
            return false;
        }
        return true;
    }

    void restoreDisplayMode() override { ChangeDisplaySettingsA(nullptr, 0); }

    void showCursor(bool visible) override { ShowCursor(visible ? TRUE : FALSE); }

    OpenStep open(const char* title, int width, int height, int bits, int depthBits,
                  bool fullscreen) override {
        DWORD exStyle = fullscreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        DWORD style = fullscreen ? WS_POPUP : WS_OVERLAPPEDWINDOW;
        RECT rect{0, 0, width, height};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);

        window = CreateWindowExA(exStyle, className, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                 moduleInstance, nullptr);
        if (!window) return failed(OpenStep::window, "CreateWindowEx");
        deviceContext = GetDC(window);
        if (!deviceContext) return failed(OpenStep::deviceContext, "GetDC");

        PIXELFORMATDESCRIPTOR format{};
        format.nSize = sizeof format;
        format.nVersion = 1;
        format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        format.iPixelType = PFD_TYPE_RGBA;
        format.cColorBits = BYTE(bits);
        format.cDepthBits = BYTE(depthBits);
        format.iLayerType = PFD_MAIN_PLANE;
        int index = ChoosePixelFormat(deviceContext, &format);
        if (!index) return failed(OpenStep::pixelFormat, "ChoosePixelFormat");
        if (!SetPixelFormat(deviceContext, index, &format)) return failed(OpenStep::setPixelFormat, "SetPixelFormat");
        renderContext = wglCreateContext(deviceContext);
        if (!renderContext) return failed(OpenStep::context, "wglCreateContext");
        if (!wglMakeCurrent(deviceContext, renderContext)) return failed(OpenStep::makeCurrent, "wglMakeCurrent");

        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(window);
        return OpenStep::none;
    }

    unsigned close() override {
        unsigned failures = 0;
        if (renderContext) {
            if (!wglMakeCurrent(nullptr, nullptr)) failures |= teardownFailed(teardownReleaseCurrent);
            if (!wglDeleteContext(renderContext)) failures |= teardownFailed(teardownDeleteContext);
            renderContext = nullptr;
        }
        if (deviceContext) {
            if (!ReleaseDC(window, deviceContext)) failures |= teardownFailed(teardownReleaseDrawable);
            deviceContext = nullptr;
        }
        if (window) {
            if (!DestroyWindow(window)) failures |= teardownFailed(teardownDestroyWindow);
            window = nullptr;
        }
        if (classRegistered) {
            if (!UnregisterClassA(className, moduleInstance)) failures |= teardownFailed(teardownStopVideo);
            classRegistered = false;
        }
        pendingMessages.clear();
        return failures;
    }

    // wglSwapIntervalEXT where the driver offers it: adaptive when the tear
    // extension is there, else plain.
    int enableVsync() override {
        if (!renderContext) return 0;
        using SwapInterval = BOOL(WINAPI*)(int);
        using ExtensionString = const char*(WINAPI*)();
        auto swapInterval = reinterpret_cast<SwapInterval>(
            reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
        auto extensions = reinterpret_cast<ExtensionString>(
            reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringEXT")));
        if (!swapInterval) return 0;
        const char* names = extensions ? extensions() : nullptr;
        if (names && std::strstr(names, "WGL_EXT_swap_control_tear") && swapInterval(-1)) return -1;
        return swapInterval(1) ? 1 : 0;
    }

    // One system message per call; what the window procedure made of it (and
    // of messages sent to it meanwhile) comes out first, in order.
    bool takeMessage(WindowMessage& message) override {
        if (pendingMessages.empty()) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return takePending(message);
            if (msg.message == WM_QUIT) {
                message = WindowMessage();
                message.type = WindowMessage::quit;
                message.code = int(msg.wParam);
                return true;
            }
            // Key-downs become WM_CHAR messages here: the one after Esc is
            // the message on which the shell sees Esc held and ends.
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (pendingMessages.empty()) {
                message = WindowMessage();
                message.type = WindowMessage::other;
                return true;
            }
        }
        return takePending(message);
    }

    void swapBuffers() override {
        if (deviceContext) SwapBuffers(deviceContext);
    }

    void pause(unsigned ms) override { Sleep(ms); }

    std::string videoDriver() const override { return classRegistered ? "windows" : ""; }
    std::string error() const override { return lastError; }

private:
    OpenStep failed(OpenStep step, const char* what) {
        lastError = systemErrorText(what);
        return step;
    }

    static bool takePending(WindowMessage& message) {
        if (pendingMessages.empty()) return false;
        message = pendingMessages.front();
        pendingMessages.pop_front();
        return true;
    }

    HINSTANCE moduleInstance = nullptr;
    bool classRegistered = false;
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC renderContext = nullptr;
    std::string lastError;
};

}  // namespace

// The platform's window, as the shell asks for it.
std::unique_ptr<GlWindow> makeGlWindow() { return std::make_unique<Win32GlWindow>(); }

bool isInvisibleVideoDriver(const std::string&) { return false; }

}  // namespace platform
