#pragma once
// Modal message boxes without an owner window, and the Yes/No question.
//
// Every text also goes to standard error as one line "caption: text", so a
// run without a window system (or with nobody to read a box) keeps it.
// A box has no owner window, so it needs no video subsystem of ours, only a
// display: SDL video running on a real window-system driver or, with video
// down (after the window's teardown, say), a display named in the
// environment and no invisible video driver asked for. Without one,
// standard error is all there is and askYesNo answers No.
//
// Automation (end-to-end runs must never block on a box):
//   GRAVLET_NONINTERACTIVE=1   no box is ever shown;
//   GRAVLET_ANSWER=yes|no      what askYesNo answers then (default no).
//
// Tests: recordMessageBoxes(true) makes every call append to a list, read by
// recordedMessageBoxes(), instead of showing anything; askYesNo then takes
// its answers from queueYesNoAnswer() in order (No once the queue is empty).
#include <string>
#include <vector>

namespace platform {

enum class MessageIcon { none, information, warning, error };

// OK button only.
void showMessageBox(const std::string& text, const std::string& caption,
                    MessageIcon icon = MessageIcon::none);
// Yes and No buttons; true for Yes. Esc or closing the box is No.
bool askYesNo(const std::string& text, const std::string& caption,
              MessageIcon icon = MessageIcon::warning);

struct RecordedMessageBox {
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::none;
    bool yesNo = false;   // asked with askYesNo
    bool answer = false;  // what askYesNo returned
};

// Whether a box asked for now would really be shown on screen.
bool messageBoxWouldShow();

// Turning recording on or off clears the list and the answer queue.
void recordMessageBoxes(bool on);
const std::vector<RecordedMessageBox>& recordedMessageBoxes();
void queueYesNoAnswer(bool yes);

}  // namespace platform
