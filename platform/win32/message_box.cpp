// Windows: message boxes are the system's own, with no owner window, so they
// show whether or not the demo's window still exists.
#include "platform/message_box.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace platform {

namespace {

struct Recorder {
    bool on = false;
    std::vector<RecordedMessageBox> boxes;
    std::deque<bool> answers;
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

bool nonInteractive() {
    const char* value = std::getenv("GRAVLET_NONINTERACTIVE");
    return value && std::strcmp(value, "1") == 0;
}

bool presetAnswer() {
    const char* value = std::getenv("GRAVLET_ANSWER");
    return value && _stricmp(value, "yes") == 0;
}

UINT iconFlag(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::information: return MB_ICONINFORMATION;
    case MessageIcon::warning: return MB_ICONEXCLAMATION;
    case MessageIcon::error: return MB_ICONSTOP;
    case MessageIcon::none: break;
    }
    return 0;
}

void toStandardError(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

}  // namespace

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    toStandardError(text, caption);
    Recorder& record = recorder();
    if (record.on) {
        record.boxes.push_back({caption, text, icon, false, false});
        return;
    }
    if (!messageBoxWouldShow()) return;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | iconFlag(icon));
}

bool askYesNo(const std::string& text, const std::string& caption, MessageIcon icon) {
    toStandardError(text, caption);
    Recorder& record = recorder();
    if (record.on) {
        bool answer = false;
        if (!record.answers.empty()) {
            answer = record.answers.front();
            record.answers.pop_front();
        }
        record.boxes.push_back({caption, text, icon, true, answer});
        return answer;
    }
    if (nonInteractive()) return presetAnswer();
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | iconFlag(icon)) == IDYES;
}

// No display to look for: a box always shows unless automation says otherwise.
bool messageBoxWouldShow() { return !recorder().on && !nonInteractive(); }

void recordMessageBoxes(bool on) {
    Recorder& record = recorder();
    record.on = on;
    record.boxes.clear();
    record.answers.clear();
}

const std::vector<RecordedMessageBox>& recordedMessageBoxes() { return recorder().boxes; }

void queueYesNoAnswer(bool yes) { recorder().answers.push_back(yes); }

}  // namespace platform
