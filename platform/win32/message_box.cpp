// Windows: message boxes are the system's own, with no owner window, so they
// show whether or not the demo's window still exists.
#include "platform/message_box.h"

#include <windows.h>

#include "platform/message_record.h"

namespace platform {

namespace {

UINT iconFlag(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::information: return MB_ICONINFORMATION;
    case MessageIcon::warning: return MB_ICONEXCLAMATION;
    case MessageIcon::error: return MB_ICONSTOP;
    case MessageIcon::none: break;
    }
    return 0;
}

}  // namespace

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    bool recorded = false;
    if (boxes::noteAndRecord(text, caption, icon, false, recorded)) return;
    if (!messageBoxWouldShow()) return;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | iconFlag(icon));
}

bool askYesNo(const std::string& text, const std::string& caption, MessageIcon icon) {
    bool answer = false;
    if (boxes::noteAndRecord(text, caption, icon, true, answer)) return answer;
    if (boxes::nonInteractive()) return boxes::presetAnswer();
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | iconFlag(icon)) == IDYES;
}

// No display to look for: a box always shows unless automation says otherwise.
bool messageBoxWouldShow() { return !boxes::recording() && !boxes::nonInteractive(); }

}  // namespace platform
