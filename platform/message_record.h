#pragma once
// What both platforms' message boxes share: the line on standard error, the
// test recorder with its answer queue, and the automation switches (see
// message_box.h). Internal to the platform layer.
#include <string>

#include "platform/message_box.h"

namespace platform::boxes {

// Writes "caption: text" to standard error. While recording, keeps the box
// (a Yes/No box takes `answer` from the queue, No once it is empty) and
// returns true: nothing is to be shown.
bool noteAndRecord(const std::string& text, const std::string& caption, MessageIcon icon, bool yesNo,
                   bool& answer);
bool recording();
bool nonInteractive();   // GRAVLET_NONINTERACTIVE=1
bool presetAnswer();     // GRAVLET_ANSWER=yes, in any letter case

}  // namespace platform::boxes
