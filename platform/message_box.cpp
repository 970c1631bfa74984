#include "platform/message_box.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/message_record.h"
#include "platform/window.h"

namespace platform {

namespace {

bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && value[0] != '\0';
}

// SDL falls back to its offscreen or dummy driver when there is no display;
// a box there would show nothing, or block on nothing. SDL shows a box
// without an owner through a connection of its own, video up or not.
bool displayReachable() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && !isInvisibleVideoDriver(driver);
    }
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (requested && requested[0] != '\0' && isInvisibleVideoDriver(requested)) return false;
    return named("DISPLAY") || named("WAYLAND_DISPLAY");
}

Uint32 sdlFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::information: return SDL_MESSAGEBOX_INFORMATION;
    case MessageIcon::warning: return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::error: return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::none: break;
    }
    return 0;
}

}  // namespace

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    bool recorded = false;
    if (boxes::noteAndRecord(text, caption, icon, false, recorded)) return;
    if (!messageBoxWouldShow()) return;
    SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
}

bool askYesNo(const std::string& text, const std::string& caption, MessageIcon icon) {
    bool answer = false;
    if (boxes::noteAndRecord(text, caption, icon, true, answer)) return answer;
    if (boxes::nonInteractive()) return boxes::presetAnswer();
    if (!displayReachable()) return false;

    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box{};
    box.flags = sdlFlags(icon);
    box.window = nullptr;
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = 0;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return false;
    return pressed == 1;
}

bool messageBoxWouldShow() { return !boxes::recording() && !boxes::nonInteractive() && displayReachable(); }

}  // namespace platform
