// Message boxes: the standard-error line, the test recorder with its answer
// queue, the non-interactive switches for end-to-end runs, and whether a box
// really reaches the screen (also after the window's teardown).
#include <gtest/gtest.h>

#include <string>

#include "platform/message_box.h"
#include "platform/window.h"
#include "support/scoped_env.h"

namespace {

using testsupport::ScopedEnv;

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
    EXPECT_FALSE(boxes[0].yesNo);
    EXPECT_TRUE(boxes[1].yesNo && boxes[1].answer);
    EXPECT_EQ(boxes[2].icon, platform::MessageIcon::information);
    EXPECT_EQ(err, "ERROR: Incorrect TGA type\nVask GL: Use Windowed Mode Instead?\nQ: Again?\n");

    // Switching clears the list and any answers still queued.
    platform::queueYesNoAnswer(true);
    platform::recordMessageBoxes(true);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::askYesNo("q", "c"));
    ::testing::internal::GetCapturedStderr();
    platform::recordMessageBoxes(false);
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

// No display anywhere: only the preset answer can say Yes.
TEST(MessageBox, NonInteractiveRunsAnswerFromTheEnvironment) {
    ScopedEnv display("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "");
    ScopedEnv interactive("GRAVLET_NONINTERACTIVE", "1");
    platform::recordMessageBoxes(false);
    ::testing::internal::CaptureStderr();
    for (const char* yes : {"yes", "YES"}) {
        ScopedEnv answer("GRAVLET_ANSWER", yes);
        EXPECT_TRUE(platform::askYesNo("Windowed?", "Vask GL"));
    }
    {
        ScopedEnv answer("GRAVLET_ANSWER", "no");
        EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL"));
    }
    platform::showMessageBox("Program Will Now Close.", "ERROR", platform::MessageIcon::error);
    {
        ScopedEnv on("GRAVLET_NONINTERACTIVE", "0"), answer("GRAVLET_ANSWER", "yes");
        EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL"));   // interactive, no display: No
    }
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR: Program Will Now Close.\n"), std::string::npos);
}

// The window's teardown stops SDL video before its boxes are shown; a box
// without an owner must still reach a display that is there.
TEST(MessageBox, ShownOnARealDisplayEvenAfterTheWindowSystemWasTornDown) {
    ScopedEnv interactive("GRAVLET_NONINTERACTIVE", "0");
    platform::recordMessageBoxes(false);
    {
        ScopedEnv video("SDL_VIDEODRIVER", "dummy");
        auto window = platform::makeSdlGlWindow();
        ASSERT_TRUE(window->startVideo()) << window->error();
        EXPECT_FALSE(platform::messageBoxWouldShow());   // running, but drawing nowhere
        window->close();
        EXPECT_FALSE(platform::messageBoxWouldShow());   // still asked for nowhere
    }
    ScopedEnv video("SDL_VIDEODRIVER", "");
    {
        ScopedEnv display("DISPLAY", ":97"), wayland("WAYLAND_DISPLAY", "");
        EXPECT_TRUE(platform::messageBoxWouldShow());
        platform::recordMessageBoxes(true);
        EXPECT_FALSE(platform::messageBoxWouldShow());   // recorded instead
        platform::recordMessageBoxes(false);
        ScopedEnv off("GRAVLET_NONINTERACTIVE", "1");
        EXPECT_FALSE(platform::messageBoxWouldShow());
    }
    ScopedEnv display("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "wayland-7");
    EXPECT_TRUE(platform::messageBoxWouldShow());
    ScopedEnv noWayland("WAYLAND_DISPLAY", "");
    EXPECT_FALSE(platform::messageBoxWouldShow());
}

}  // namespace
