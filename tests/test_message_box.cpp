// Message boxes: the standard-error line, the test recorder with its answer
// queue, the non-interactive switches for end-to-end runs, and whether a box
// really goes to the screen, also after the window's teardown.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/message_box.h"
#include "platform/window.h"
#include "support/scoped_env.h"

namespace {

using platform::MessageIcon;
using testsupport::ScopedEnv;

std::string stderrOf(const std::function<void()>& show) {
    ::testing::internal::CaptureStderr();
    show();
    return ::testing::internal::GetCapturedStderr();
}

// The display these tests name does not exist: SDL fails to show a box
// there and says so. That error is the proof a box was really tried.
const char* const absentDisplay = ":4093";

bool boxTried(const std::function<void()>& show) {
    SDL_ClearError();
    stderrOf(show);
    return SDL_GetError()[0] != '\0';
}

void windowBox() { platform::showMessageBox("Window Creation Error.", "ERROR"); }

TEST(MessageBox, RecorderKeepsEveryBoxInOrderAndEveryTextGoesToStandardError) {
    platform::recordMessageBoxes(true);
    bool first = false, second = true;
    std::string err = stderrOf([&] {
        platform::showMessageBox("Incorrect TGA type", "ERROR");
        platform::queueYesNoAnswer(true);
        first = platform::askYesNo("Use Windowed Mode Instead?", "Vask GL");
        second = platform::askYesNo("Again?", "Q", MessageIcon::information);
    });
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);   // queue ran dry: No
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "ERROR: Incorrect TGA type");
    EXPECT_FALSE(boxes[0].yesNo);
    EXPECT_TRUE(boxes[1].yesNo && boxes[1].answer);
    EXPECT_EQ(boxes[2].icon, MessageIcon::information);
    EXPECT_EQ(err, "ERROR: Incorrect TGA type\nVask GL: Use Windowed Mode Instead?\nQ: Again?\n");

    // Switching clears the list and any answers still queued.
    platform::queueYesNoAnswer(true);
    platform::recordMessageBoxes(true);
    stderrOf([] { EXPECT_FALSE(platform::askYesNo("q", "c")); });
    platform::recordMessageBoxes(false);
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

// End-to-end runs never show a box, display or not; only the preset answer
// says Yes.
TEST(MessageBox, NonInteractiveRunsShowNothingAndAnswerFromTheEnvironment) {
    ScopedEnv display("DISPLAY", absentDisplay), interactive("GRAVLET_NONINTERACTIVE", "1");
    platform::recordMessageBoxes(false);
    for (auto [answer, yes] : {std::pair{"yes", true}, {"YES", true}, {"no", false}}) {
        SCOPED_TRACE(answer);
        ScopedEnv preset("GRAVLET_ANSWER", answer);
        EXPECT_FALSE(boxTried([yes = yes] { EXPECT_EQ(platform::askYesNo("Windowed?", "Vask GL"), yes); }));
    }
    EXPECT_FALSE(boxTried(windowBox));
    // Interactive without any display: No, and nothing tried.
    ScopedEnv on("GRAVLET_NONINTERACTIVE", "0"), preset("GRAVLET_ANSWER", "yes");
    ScopedEnv none("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "");
    EXPECT_FALSE(boxTried([] { EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL")); }));
    EXPECT_FALSE(boxTried(windowBox));
}

// A box goes to SDL only when a display will show it: never while video
// runs on a driver that draws nowhere, and still once the window's teardown
// has stopped SDL video (its boxes come after that).
TEST(MessageBox, ShownOnADisplayEvenAfterTheWindowSystemWasTornDown) {
    // No display named while SDL video starts: libdbus then keeps an
    // allocation that the sanitizer build reports as a leak.
    ScopedEnv interactive("GRAVLET_NONINTERACTIVE", "0");
    ScopedEnv noDisplay("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "");
    platform::recordMessageBoxes(false);
    {
        ScopedEnv video("SDL_VIDEODRIVER", "dummy");
        auto window = platform::makeGlWindow();
        ASSERT_TRUE(window->startVideo()) << window->error();
        EXPECT_FALSE(boxTried(windowBox));   // running, but drawing nowhere
        window->close();
        ScopedEnv display("DISPLAY", absentDisplay);
        EXPECT_FALSE(boxTried(windowBox));   // still asked for nowhere
    }
    ScopedEnv video("SDL_VIDEODRIVER", ""), display("DISPLAY", absentDisplay);
    EXPECT_TRUE(platform::messageBoxWouldShow());
    EXPECT_TRUE(boxTried(windowBox));
    EXPECT_TRUE(boxTried([] { EXPECT_FALSE(platform::askYesNo("Windowed?", "Vask GL")); }));   // failed: No
    platform::recordMessageBoxes(true);
    EXPECT_FALSE(boxTried(windowBox));   // recorded instead
    platform::recordMessageBoxes(false);
    ScopedEnv displayGone("DISPLAY", "");
    EXPECT_FALSE(platform::messageBoxWouldShow());
    ScopedEnv waylandOnly("WAYLAND_DISPLAY", "wayland-4093");
    EXPECT_TRUE(platform::messageBoxWouldShow());
}

}  // namespace
