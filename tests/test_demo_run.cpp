// The whole demo in-process on an offscreen window and a virtual clock that
// moves one frame period per buffer swap: the loading sequence with its bar,
// the timeline through all nine segments to its end, the F1/F2 switches,
// Esc and the close button, and a scene that fails to initialise.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "e2e/demo_data.h"
#include "platform/message_box.h"
#include "platform/offscreen_gl.h"
#include "platform/ticks.h"
#include "platform/window.h"
#include "render/renderer.h"
#include "shell/demo.h"
#include "shell/gl_window.h"
#include "shell/startup.h"
#include "support/paths.h"

namespace {

using platform::WindowMessage;

// A window on an offscreen context. Each swap advances the virtual clock by
// frameMs; scripted messages become available from a given swap on.
class OffscreenWindow : public platform::GlWindow {
public:
    OffscreenWindow(platform::VirtualClock& clock, unsigned frameMs) : frameMs(frameMs), clock(clock) {}

    struct Scripted {
        int fromSwap;
        WindowMessage message;
    };
    std::deque<Scripted> script;
    std::function<void(int swap)> onSwap;
    unsigned frameMs;
    int swaps = 0;
    platform::OffscreenGl gl;

    bool startVideo() override { return true; }
    bool switchDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    void showCursor(bool) override {}
    platform::OpenStep open(const char*, int width, int height, int, int, bool) override {
        return gl.create(width, height) ? platform::OpenStep::none : platform::OpenStep::context;
    }
    unsigned close() override {
        gl.destroy();
        return 0;
    }
    int enableVsync() override { return 0; }
    bool takeMessage(WindowMessage& message) override {
        if (script.empty() || script.front().fromSwap > swaps) return false;
        message = script.front().message;
        script.pop_front();
        return true;
    }
    void swapBuffers() override {
        ++swaps;
        if (onSwap) onSwap(swaps);
        clock.advance(frameMs);
    }
    void pause(unsigned ms) override { clock.advance(ms); }
    std::string videoDriver() const override { return "offscreen-test"; }
    std::string error() const override { return gl.error(); }

private:
    platform::VirtualClock& clock;
};

WindowMessage key(WindowMessage::Type type, int vk) {
    WindowMessage message;
    message.type = type;
    message.virtualKey = vk;
    return message;
}

// Loading-bar dots in the frame just drawn: grey column runs on the dots'
// rows (font 0 at y = 142 puts their baseline 439 rows above the bottom).
std::vector<int> dotColumns(const platform::OffscreenGl& gl) {
    std::vector<std::uint8_t> rgba = gl.readPixels();   // bottom row first
    std::vector<int> starts;
    bool inDot = false;
    for (int x = 360; x < 820; ++x) {
        bool grey = false;
        for (int row = 432; row < 452 && !grey; ++row) {
            const std::uint8_t* p = &rgba[(std::size_t(row) * gl.width() + x) * 4];
            grey = p[0] == p[1] && p[1] == p[2] && p[0] > 100;
        }
        if (grey && !inDot) starts.push_back(x);
        inDot = grey;
    }
    return starts;
}

class DemoRun : public ::testing::Test {
protected:
    void SetUp() override { prepare(demodata::Options()); }

    void prepare(const demodata::Options& options) {
        root = testsupport::makeTempDir();
        std::string error;
        ASSERT_TRUE(demodata::write(root, options, &error)) << error;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previousDir = cwd;
        ASSERT_EQ(chdir(root.c_str()), 0);
        std::fill(std::begin(keyDown), std::end(keyDown), 0);
        windowActive = 1;
        platform::recordMessageBoxes(true);
    }

    void TearDown() override {
        useGlWindow(nullptr);
        delete renderer;   // the program never deletes it; the test process goes on
        renderer = nullptr;
        platform::recordMessageBoxes(false);
        if (!previousDir.empty()) {
            EXPECT_EQ(chdir(previousDir.c_str()), 0);
        }
    }

    // Installs the offscreen window and opens it as the program does.
    OffscreenWindow* open(unsigned frameMs) {
        auto owned = std::make_unique<OffscreenWindow>(clock, frameMs);
        OffscreenWindow* window = owned.get();
        useGlWindow(std::move(owned));
        EXPECT_TRUE(openGlWindow("gravlet", 1024, 768, 32, true));
        return window;
    }

    platform::VirtualClock clock{1000};
    std::string root;
    std::string previousDir;
};

TEST_F(DemoRun, LoadingBarAdvancesThroughTheSceneTableThenHoldsTwoSeconds) {
    OffscreenWindow* window = open(20);
    std::vector<std::size_t> dots;
    std::vector<int> lastDots;
    window->onSwap = [&](int) {
        std::vector<int> columns = dotColumns(window->gl);
        dots.push_back(columns.size());
        if (columns.size() == 51) lastDots = columns;
    };
    demoStartup();
    // Bar 2, the plain picture, bars 7 ... 95 of the scene table, bar 100,
    // then the hold: two seconds of plain pictures at 20 ms a frame.
    const std::vector<std::size_t> expected = {2, 0, 4, 8, 18, 29, 35, 41, 44, 46, 48, 51};
    ASSERT_GE(dots.size(), expected.size());
    EXPECT_EQ(std::vector<std::size_t>(dots.begin(), dots.begin() + expected.size()), expected);
    EXPECT_EQ(dots.size(), expected.size() + 100);
    EXPECT_TRUE(std::all_of(dots.begin() + expected.size(), dots.end(),
                            [](std::size_t n) { return n == 0; }));
    ASSERT_EQ(lastDots.size(), 51u);
    EXPECT_NEAR(lastDots.front(), 380, 3);   // 8 pixels apart from x = 380 to 780
    EXPECT_NEAR(lastDots.back(), 780, 3);
    EXPECT_NE(fogScene, nullptr);
    demoShutdown();
    EXPECT_EQ(fogScene, nullptr);
    EXPECT_EQ(textureLibrary, nullptr);
}

TEST_F(DemoRun, TimelinePlaysEverySegmentInOrderAndEndsPast340) {
    OffscreenWindow* window = open(2000);
    demoStartup();
    std::vector<demoSegment> seen;
    std::vector<std::uint8_t> firstFrameTop;
    window->onSwap = [&](int) {
        if (seen.empty()) {
            std::vector<std::uint8_t> rgba = window->gl.readPixelsTopDown();
            firstFrameTop.assign(rgba.begin() + (40 * 1024 + 512) * 4,
                                 rgba.begin() + (40 * 1024 + 512) * 4 + 4);
        }
        if (seen.empty() || seen.back() != demoLoop.segment) seen.push_back(demoLoop.segment);
    };
    demoBeginTimeline();
    int passes = 0;
    while (demoLoopPass() && passes < 5000) ++passes;
    EXPECT_TRUE(demoLoop.done);
    std::vector<demoSegment> all;
    for (int i = 0; i < demoSegmentCount; ++i) all.push_back(static_cast<demoSegment>(i));
    EXPECT_EQ(seen, all);
    // 340 s at 2 s a frame; the last frame drawn is the first one past 340
    // (the clock has moved one more frame since).
    float t = demoTimeSeconds(demoClock->elapsedMs(), demoLoop.origin) - 2.0f;
    EXPECT_GT(t, 340.0f);
    EXPECT_LE(t, 342.0f);
    // The intro fade's first frame is the loading picture at full strength
    // (orange top half: red channel saturated).
    ASSERT_EQ(firstFrameTop.size(), 4u);
    EXPECT_EQ(firstFrameTop[0], 255);
    EXPECT_EQ(demoFinish(), 0);
}

TEST_F(DemoRun, F1AndF2FlipTheFogSwitchesFromAnySegmentAndEscEnds) {
    OffscreenWindow* window = open(20);
    demoStartup();
    demoBeginTimeline();
    int start = window->swaps;
    window->script = {
        {start + 2, key(WindowMessage::keyDown, platform::vkF1)},
        {start + 2, key(WindowMessage::keyDown, platform::vkF1)},   // repeat: latched
        {start + 3, key(WindowMessage::keyUp, platform::vkF1)},
        {start + 4, key(WindowMessage::keyDown, platform::vkF2)},
        {start + 5, key(WindowMessage::keyUp, platform::vkF2)},
        {start + 6, key(WindowMessage::sysKeyDown, platform::vkF2)},   // Alt+F2: nothing
        {start + 7, key(WindowMessage::keyDown, platform::vkEscape)},
        {start + 7, key(WindowMessage::keyUp, platform::vkEscape)},
    };
    std::vector<int> overlay, world, reset;
    while (demoLoopPass()) {
        overlay.push_back(fogScene->overlaySwitch);
        world.push_back(fogScene->worldVisible);
        reset.push_back(fogScene->fogLayers->reset);
        ASSERT_LT(window->swaps, start + 50) << "Esc did not end the loop";
    }
    EXPECT_EQ(demoLoop.segment, demoSegment::forestOpening);
    EXPECT_EQ(overlay.back(), 0);   // flipped once for the held key
    EXPECT_EQ(world.back(), 0);
    EXPECT_TRUE(std::find(reset.begin(), reset.end(), 1) != reset.end());
    EXPECT_EQ(std::count(overlay.begin(), overlay.end(), 0) + std::count(overlay.begin(), overlay.end(), 1),
              long(overlay.size()));
    // Esc ends with the next message after its key-down was handled; the
    // key-up is never dispatched.
    EXPECT_EQ(keyDown[platform::vkEscape], 1);
    EXPECT_EQ(demoFinish(), 0);
}

TEST_F(DemoRun, TheCloseButtonEndsThroughTheQuitMessageWithCodeZero) {
    OffscreenWindow* window = open(20);
    demoStartup();
    demoBeginTimeline();
    window->script = {{window->swaps + 3, key(WindowMessage::close, 0)}};
    int passes = 0;
    while (demoLoopPass() && passes < 1000) ++passes;
    EXPECT_TRUE(demoLoop.done);
    EXPECT_TRUE(window->script.empty());
    // Close is dispatched, its quit message ends the very next pass.
    EXPECT_EQ(passes, 3 + 1);
    EXPECT_EQ(demoFinish(), 0);
}

TEST_F(DemoRun, AMinimisedWindowDrawsNoSceneButTimeRunsOn) {
    OffscreenWindow* window = open(500);
    demoStartup();
    demoBeginTimeline();
    WindowMessage minimise;
    minimise.type = WindowMessage::activate;
    minimise.minimised = true;
    WindowMessage restore = minimise;
    restore.minimised = false;
    int start = window->swaps;
    window->script = {{start + 1, minimise}, {start + 120, restore}};
    double fogRestartWhileMinimised = 0.0;
    while (demoLoopPass() && window->swaps < start + 122) {
        if (window->swaps == start + 100) fogRestartWhileMinimised = fogScene->restart;
    }
    // 50 s passed while minimised: the fog segment's window came and its
    // scene never rendered; after the restore the current one shows.
    EXPECT_EQ(fogRestartWhileMinimised, 1.0);
    EXPECT_EQ(fogScene->restart, 0.0);
    EXPECT_EQ(demoLoop.segment, demoSegment::fog);
    EXPECT_EQ(windowActive, 1);
    EXPECT_EQ(demoFinish(), 0);
}

class DemoRunDeath : public DemoRun {
protected:
    void SetUp() override {}
};

TEST_F(DemoRunDeath, AFailingFifthSceneShowsItsClassAfterTheBarReached68) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    demodata::Options options;
    options.omit = {"asmtest2.3ds"};
    prepare(options);
    EXPECT_EXIT(
        {
            OffscreenWindow* window = open(20);
            window->onSwap = [&](int) {
                std::fprintf(stderr, "dots=%zu\n", dotColumns(window->gl).size());
            };
            demoStartup();
        },
        ::testing::ExitedWithCode(1),
        "dots=29\ndots=35\n.*Error initializing \\[demoFog class\\]!");
}

TEST_F(DemoRunDeath, AMissingOpeningModelIsReportedAsDemoForrest) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    demodata::Options options;
    options.omit = {"forresta.3ds"};
    prepare(options);
    EXPECT_EXIT(
        {
            open(20);
            demoStartup();
        },
        ::testing::ExitedWithCode(1), "Error initializing \\[demoForrest class\\]!");
}

}  // namespace
