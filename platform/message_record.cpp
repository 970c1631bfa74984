#include "platform/message_record.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

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

}  // namespace

namespace boxes {

bool noteAndRecord(const std::string& text, const std::string& caption, MessageIcon icon, bool yesNo,
                   bool& answer) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    Recorder& record = recorder();
    answer = false;
    if (!record.on) return false;
    if (yesNo && !record.answers.empty()) {
        answer = record.answers.front();
        record.answers.pop_front();
    }
    record.boxes.push_back({caption, text, icon, yesNo, answer});
    return true;
}

bool recording() { return recorder().on; }

bool nonInteractive() {
    const char* value = std::getenv("GRAVLET_NONINTERACTIVE");
    return value && std::strcmp(value, "1") == 0;
}

bool presetAnswer() {
    const char* value = std::getenv("GRAVLET_ANSWER");
    if (!value || std::strlen(value) != 3) return false;
    for (int i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(value[i])) != "yes"[i]) return false;
    return true;
}

}  // namespace boxes

void recordMessageBoxes(bool on) {
    Recorder& record = recorder();
    record.on = on;
    record.boxes.clear();
    record.answers.clear();
}

const std::vector<RecordedMessageBox>& recordedMessageBoxes() { return recorder().boxes; }

void queueYesNoAnswer(bool yes) { recorder().answers.push_back(yes); }

}  // namespace platform
