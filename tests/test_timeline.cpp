// The timeline's segment choice, the time each scene is given, the demo
// clock and the F1/F2 key latch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/ticks.h"
#include "platform/window.h"
#include "shell/demo.h"
#include "shell/demo_timer.h"
#include "shell/key_switches.h"
#include "shell/timeline.h"

namespace {

float justAbove(float bound) { return std::nextafter(bound, 1000.0f); }

struct Bound {
    float seconds;
    demoSegment before;
    demoSegment after;
};

const Bound bounds[] = {
    {40.5f, demoSegment::forestOpening, demoSegment::fog},
    {80.0f, demoSegment::fog, demoSegment::greetings},
    {117.0f, demoSegment::greetings, demoSegment::space},
    {160.0f, demoSegment::space, demoSegment::earth},
    {190.0f, demoSegment::earth, demoSegment::forestAnimOne},
    {234.0f, demoSegment::forestAnimOne, demoSegment::forestAnimTwo},
    {245.0f, demoSegment::forestAnimTwo, demoSegment::forestAnimThree},
    {275.0f, demoSegment::forestAnimThree, demoSegment::forestFinale},
};

TEST(Timeline, AtEachBoundTheEarlierSegmentStillPlays) {
    for (const Bound& bound : bounds) {
        SCOPED_TRACE(bound.seconds);
        EXPECT_EQ(advanceSegment(bound.before, bound.seconds), bound.before);
        EXPECT_EQ(advanceSegment(bound.before, justAbove(bound.seconds)), bound.after);
        EXPECT_EQ(advanceSegment(bound.before, bound.seconds - 0.001f), bound.before);
    }
}

TEST(Timeline, FromTheStartEveryTimeFindsItsSegment) {
    // A late first frame (or a long stall) skips whole segments at once.
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 0.0f), demoSegment::forestOpening);
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 50.0f), demoSegment::fog);
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 200.0f), demoSegment::forestAnimOne);
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 276.0f), demoSegment::forestFinale);
    EXPECT_EQ(advanceSegment(demoSegment::forestOpening, 1000.0f), demoSegment::forestFinale);
}

TEST(Timeline, SegmentsNeverGoBack) {
    EXPECT_EQ(advanceSegment(demoSegment::space, 10.0f), demoSegment::space);
    EXPECT_EQ(advanceSegment(demoSegment::forestFinale, 0.0f), demoSegment::forestFinale);
    // Time running backwards (a clock reset) keeps the current scene.
    EXPECT_EQ(advanceSegment(demoSegment::earth, -5.0f), demoSegment::earth);
}

TEST(Timeline, EndsOnlyPast340AndTheFinaleStillDrawsThen) {
    EXPECT_FALSE(timelineOver(340.0f));
    EXPECT_TRUE(timelineOver(justAbove(340.0f)));
    EXPECT_EQ(advanceSegment(demoSegment::forestFinale, justAbove(340.0f)),
              demoSegment::forestFinale);
}

TEST(Timeline, ScenesGetDemoMillisecondsExceptEarthGetsTheRawClock) {
    EXPECT_FLOAT_EQ(segmentTimeMs(demoSegment::fog, 50.0f, 123456u), 50000.0f);
    EXPECT_FLOAT_EQ(segmentTimeMs(demoSegment::forestFinale, 300.25f, 1u), 300250.0f);
    // The earth scene ignores the origin offset: same clock, not reduced.
    EXPECT_FLOAT_EQ(segmentTimeMs(demoSegment::earth, 170.0f, 170020u), 170020.0f);
}

TEST(Timeline, DemoTimeIsClockSecondsLessTheOrigin) {
    EXPECT_FLOAT_EQ(demoTimeSeconds(40500u, 0.0f), 40.5f);
    EXPECT_FLOAT_EQ(demoTimeSeconds(1250u, 0.25f), 1.0f);
    EXPECT_FLOAT_EQ(demoTimeSeconds(0u, 0.0f), 0.0f);
}

TEST(DemoTimer, StartResetsTheOriginAndTheTagDoesNothing) {
    platform::VirtualClock clock(5000);
    demoTimer timer;
    EXPECT_TRUE(timer.start(0));
    clock.advance(1234);
    EXPECT_EQ(timer.elapsedMs(), 1234u);
    EXPECT_TRUE(timer.start(99));
    EXPECT_EQ(timer.elapsedMs(), 0u);
    clock.advance(7);
    EXPECT_EQ(timer.elapsedMs(), 7u);
}

class KeyLatch : public ::testing::Test {
protected:
    void press(int vk) {
        keys[vk] = 1;
        pass();
    }
    void release(int vk) {
        keys[vk] = 0;
        pass();
    }
    // One message taken: the switches see the key state of earlier messages.
    void pass() { applyKeySwitches(keys, latch, {&overlay, &world, &reset}); }

    std::uint8_t keys[256] = {};
    bool latch = false;
    int overlay = 1;
    int world = 1;
    int reset = 0;
};

TEST_F(KeyLatch, HoldingF1TogglesOnceAndOnlyAfterBothKeysAreUpAgain) {
    press(platform::vkF1);
    EXPECT_EQ(overlay, 0);
    EXPECT_EQ(reset, 1);   // 1 -> 0 resets the fog layers' step
    reset = 0;
    for (int i = 0; i < 5; ++i) pass();   // key repeat, other messages
    EXPECT_EQ(overlay, 0);
    release(platform::vkF1);
    press(platform::vkF1);
    EXPECT_EQ(overlay, 1);
    EXPECT_EQ(reset, 0);   // 0 -> 1 leaves the layers alone
}

TEST_F(KeyLatch, F2HeldWhileF1IsReleasedDoesNotActUntilBothAreUp) {
    press(platform::vkF1);
    ASSERT_EQ(overlay, 0);
    press(platform::vkF2);   // latch still held by F1
    EXPECT_EQ(world, 1);
    release(platform::vkF1);   // F2 still down: latch stays
    pass();
    EXPECT_EQ(world, 1);
    release(platform::vkF2);
    press(platform::vkF2);
    EXPECT_EQ(world, 0);
    release(platform::vkF2);
    press(platform::vkF2);
    EXPECT_EQ(world, 1);
    EXPECT_EQ(overlay, 0);
}

TEST_F(KeyLatch, BothDownTogetherFlipOnlyTheOverlay) {
    keys[platform::vkF1] = 1;
    keys[platform::vkF2] = 1;
    pass();
    EXPECT_EQ(overlay, 0);
    EXPECT_EQ(world, 1);
}

TEST_F(KeyLatch, WithoutFogLayersF1StillFlips) {
    keys[platform::vkF1] = 1;
    applyKeySwitches(keys, latch, {&overlay, &world, nullptr});
    EXPECT_EQ(overlay, 0);
    EXPECT_TRUE(latch);
}

}  // namespace
