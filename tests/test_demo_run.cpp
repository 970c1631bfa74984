// The whole demo in-process on an offscreen window and a virtual clock: the
// loading bar, all nine segments (minimised for a while), a failing scene.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
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
#include "shell/timeline.h"
#include "support/paths.h"

namespace {

using platform::WindowMessage;

// A window on an offscreen context. Each swap advances the virtual clock by
// frameMs; scripted messages become available from a given swap on.
class OffscreenWindow : public platform::GlWindow {
public:
    explicit OffscreenWindow(platform::VirtualClock& clock) : clock(clock) {}

    platform::VirtualClock& clock;
    std::deque<std::pair<int, WindowMessage>> script;   // from which swap on each message waits
    std::function<void()> onSwap;
    unsigned frameMs = 0;
    int swaps = 0;
    platform::OffscreenGl gl;

    bool startVideo() override { return true; }
    bool switchDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    void showCursor(bool) override {}
    platform::OpenStep open(const char*, int width, int height, int, int, bool) override {
        return gl.create(width, height) ? platform::OpenStep::none : platform::OpenStep::context;
    }
    unsigned close() override { return gl.destroy(), 0; }
    int enableVsync() override { return 0; }
    bool takeMessage(WindowMessage& message) override {
        if (script.empty() || script.front().first > swaps) return false;
        message = script.front().second;
        script.pop_front();
        return true;
    }
    void swapBuffers() override {
        ++swaps;
        if (onSwap) onSwap();
        clock.advance(frameMs);
    }
    void pause(unsigned ms) override { clock.advance(ms); }
    std::string videoDriver() const override { return "offscreen-test"; }
    std::string error() const override { return gl.error(); }
};

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
    void SetUp() override {
        root = testsupport::makeTempDir();
        std::string error;
        ASSERT_TRUE(demodata::write(root, demodata::Options(), &error)) << error;
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(root);
        platform::recordMessageBoxes(true);
    }

    void TearDown() override {
        useGlWindow(nullptr);
        delete renderer;   // the program never deletes it; the test process goes on
        renderer = nullptr;
        platform::recordMessageBoxes(false);
        std::filesystem::current_path(previousDir);
        std::filesystem::remove_all(root);
    }

    OffscreenWindow* open(unsigned frameMs) {
        auto owned = std::make_unique<OffscreenWindow>(clock);
        OffscreenWindow* window = owned.get();
        window->frameMs = frameMs;
        useGlWindow(std::move(owned));
        EXPECT_TRUE(openGlWindow("gravlet", 1024, 768, 32, true));
        return window;
    }

    platform::VirtualClock clock{1000};
    std::string root, previousDir;
};

TEST_F(DemoRun, LoadingBarThenEverySegmentInOrderUntilPast340EvenWhenMinimised) {
    OffscreenWindow* window = open(250);
    std::vector<std::size_t> dots;
    window->onSwap = [&] { dots.push_back(dotColumns(window->gl).size()); };
    demoStartup();
    // Bar 2, the plain picture, bars 7 ... 95 of the scene table, bar 100,
    // then the hold: two seconds of plain pictures at 250 ms a frame.
    std::vector<std::size_t> expected = {2, 0, 4, 8, 18, 29, 35, 41, 44, 46, 48, 51};
    expected.resize(expected.size() + 8, 0);
    EXPECT_EQ(dots, expected);

    // Minimised from 5 s to 50 s: time runs on, but the fog segment's scene,
    // due from 40.5 s, renders only after the restore.
    window->frameMs = 5000;
    std::vector<demoSegment> seen;
    double fogRestartWhileMinimised = 0.0;
    window->onSwap = [&] {
        if (seen.empty() || seen.back() != demoLoop.segment) seen.push_back(demoLoop.segment);
        if (demoLoop.segment == demoSegment::fog && !windowActive) fogRestartWhileMinimised = fogScene->restart;
    };
    demoBeginTimeline();
    window->script = {{window->swaps + 1, WindowMessage{WindowMessage::activate, 0, 0, true}},
                      {window->swaps + 10, WindowMessage{WindowMessage::activate, 0, 0, false}}};
    for (int passes = 0; demoLoopPass() && passes < 5000; ++passes) {
    }
    EXPECT_TRUE(demoLoop.done);
    EXPECT_EQ(fogRestartWhileMinimised, 1.0);
    EXPECT_EQ(fogScene->restart, 0.0);
    std::vector<demoSegment> all;
    for (int i = 0; i < demoSegmentCount; ++i) all.push_back(static_cast<demoSegment>(i));
    EXPECT_EQ(seen, all);
    // The last frame drawn is the first one past 340 (the clock moved one frame since).
    float t = demoTimeSeconds(demoClock->elapsedMs(), demoLoop.origin) - 5.0f;
    EXPECT_GT(t, 340.0f);
    EXPECT_LE(t, 345.0f);
    EXPECT_EQ(demoFinish(), 0);
    EXPECT_TRUE(fogScene == nullptr && textureLibrary == nullptr);   // start-up's globals are gone
}

using DemoRunDeath = DemoRun;

TEST_F(DemoRunDeath, AFailingFifthSceneShowsItsClassAfterTheBarReached68AndExits1) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(std::remove("data/asmtest2.3ds"), 0);   // the fog scene's model
    EXPECT_EXIT(
        {
            OffscreenWindow* window = open(20);
            window->onSwap = [&] { std::fprintf(stderr, "dots=%zu\n", dotColumns(window->gl).size()); };
            demoStartup();
        },
        ::testing::ExitedWithCode(1), "dots=29\ndots=35\n.*Error initializing \\[demoFog class\\]!");
}

TEST(Timeline, EachBoundStillPlaysTheEarlierSegmentAndTheFinaleRunsPast340) {
    const float bounds[] = {40.5f, 80.0f, 117.0f, 160.0f, 190.0f, 234.0f, 245.0f, 275.0f};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(bounds[i]);
        auto before = static_cast<demoSegment>(i), after = static_cast<demoSegment>(i + 1);
        EXPECT_EQ(advanceSegment(before, bounds[i]), before);
        EXPECT_EQ(advanceSegment(before, std::nextafter(bounds[i], 1000.0f)), after);
    }
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 1000.0f), demoSegment::forestFinale);
    EXPECT_FALSE(timelineOver(340.0f));
    EXPECT_TRUE(timelineOver(std::nextafter(340.0f, 1000.0f)));
    // Scenes get demo milliseconds; the earth scene gets the raw clock.
    EXPECT_FLOAT_EQ(segmentTimeMs(demoSegment::fog, 50.0f, 123456u), 50000.0f);
    EXPECT_FLOAT_EQ(segmentTimeMs(demoSegment::earth, 170.0f, 170020u), 170020.0f);
}

}  // namespace
