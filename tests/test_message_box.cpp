// Message boxes: the standard-error line, the test recorder with its answer
// queue, and the non-interactive switches for end-to-end runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/message_box.h"

namespace {

// Restores an environment variable on exit.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name(name) {
        if (const char* value = std::getenv(name)) saved = value, had = true;
    }
    ~EnvGuard() {
        if (had) setenv(name, saved.c_str(), 1);
        else unsetenv(name);
    }
    void set(const char* value) { setenv(name, value, 1); }
    void clear() { unsetenv(name); }

private:
    const char* name;
    std::string saved;
    bool had = false;
};

TEST(MessageBox, RecorderKeepsEveryBoxInOrder) {
    platform::recordMessageBoxes(true);
    ::testing::internal::CaptureStderr();
    platform::showMessageBox("Incorrect TGA type", "ERROR");
    platform::queueYesNoAnswer(true);
    bool first = platform::askYesNo("Use Windowed Mode Instead?", "Vask GL");
    bool second = platform::askYesNo("Again?", "Q", platform::MessageIcon::information);
    std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(first);
    EXPECT_FALSE(second);   // queue ran dry: No
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].text, "Incorrect TGA type");
    EXPECT_EQ(boxes[0].icon, platform::MessageIcon::none);
    EXPECT_FALSE(boxes[0].yesNo);
    EXPECT_TRUE(boxes[1].yesNo);
    EXPECT_TRUE(boxes[1].answer);
    EXPECT_EQ(boxes[1].icon, platform::MessageIcon::warning);
    EXPECT_EQ(boxes[2].icon, platform::MessageIcon::information);
    EXPECT_FALSE(boxes[2].answer);
    EXPECT_EQ(err, "ERROR: Incorrect TGA type\nVask GL: Use Windowed Mode Instead?\nQ: Again?\n");

    platform::recordMessageBoxes(false);
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

TEST(MessageBox, SwitchingRecordingClearsQueuedAnswers) {
    platform::recordMessageBoxes(true);
    platform::queueYesNoAnswer(true);
    platform::recordMessageBoxes(true);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::askYesNo("q", "c"));
    ::testing::internal::GetCapturedStderr();
    platform::recordMessageBoxes(false);
}

// No SDL video runs in this test, so only the preset answer can say Yes.
TEST(MessageBox, NonInteractiveRunsAnswerFromTheEnvironment) {
    EnvGuard interactive("GRAVLET_NONINTERACTIVE");
    EnvGuard answer("GRAVLET_ANSWER");
    platform::recordMessageBoxes(false);
    ::testing::internal::CaptureStderr();

    interactive.set("1");
    answer.set("yes");
    EXPECT_TRUE(platform::askYesNo("Windowed?", "Vask GL"));
    answer.set("YES");
    EXPECT_TRUE(platform::askYesNo("Windowed?", "Vask GL"));
    answer.set("no");
    EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL"));
    answer.clear();
    EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL"));
    platform::showMessageBox("Program Will Now Close.", "ERROR", platform::MessageIcon::error);

    interactive.set("0");   // interactive, but no window system: No, and no box
    answer.set("yes");
    EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL"));

    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR: Program Will Now Close.\n"), std::string::npos);
    EXPECT_EQ(platform::recordedMessageBoxes().size(), 0u);
}

}  // namespace
