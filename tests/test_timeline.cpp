// The timeline's segment choice, the time each scene is given, the demo
// clock and the F1/F2 key latch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/ticks.h"
#include "platform/window.h"
#include "shell/demo.h"
#include "shell/demo_timer.h"
#include "shell/key_switches.h"
#include "shell/timeline.h"

namespace {

float justAbove(float bound) { return std::nextafter(bound, 1000.0f); }

TEST(Timeline, EachBoundStillPlaysTheEarlierSegmentAndTheFinaleRunsPast340) {
    using S = demoSegment;
    const struct {
        float seconds;
        S before, after;
    } bounds[] = {{40.5f, S::forestOpening, S::fog},     {80.0f, S::fog, S::greetings},
                  {117.0f, S::greetings, S::space},      {160.0f, S::space, S::earth},
                  {190.0f, S::earth, S::forestAnimOne},  {234.0f, S::forestAnimOne, S::forestAnimTwo},
                  {245.0f, S::forestAnimTwo, S::forestAnimThree}, {275.0f, S::forestAnimThree, S::forestFinale}};
    for (const auto& bound : bounds) {
        SCOPED_TRACE(bound.seconds);
        EXPECT_EQ(advanceSegment(bound.before, bound.seconds), bound.before);
        EXPECT_EQ(advanceSegment(bound.before, justAbove(bound.seconds)), bound.after);
    }
    // A late first frame skips whole segments; time running backwards keeps the scene.
    EXPECT_EQ(advanceSegment(S::forestOpening, 200.0f), S::forestAnimOne);
    EXPECT_EQ(advanceSegment(S::earth, -5.0f), S::earth);
    EXPECT_EQ(advanceSegment(S::forestOpening, 1000.0f), S::forestFinale);
    EXPECT_FALSE(timelineOver(340.0f));
    EXPECT_TRUE(timelineOver(justAbove(340.0f)));
    // Scenes get demo milliseconds; the earth scene gets the raw clock.
    EXPECT_FLOAT_EQ(segmentTimeMs(S::fog, 50.0f, 123456u), 50000.0f);
    EXPECT_FLOAT_EQ(segmentTimeMs(S::earth, 170.0f, 170020u), 170020.0f);
    EXPECT_FLOAT_EQ(demoTimeSeconds(1250u, 0.25f), 1.0f);
}

TEST(DemoTimer, StartResetsTheOriginAndTheTagDoesNothing) {
    platform::VirtualClock clock(5000);
    demoTimer timer;
    EXPECT_TRUE(timer.start(0));
    clock.advance(1234);
    EXPECT_EQ(timer.elapsedMs(), 1234u);
    EXPECT_TRUE(timer.start(99));
    clock.advance(7);
    EXPECT_EQ(timer.elapsedMs(), 7u);
}

class KeyLatch : public ::testing::Test {
protected:
    // One message taken: the switches see the key state of earlier messages.
    void set(int vk, int down) {
        keys[vk] = std::uint8_t(down);
        applyKeySwitches(keys, latch, {&overlay, &world, &reset});
    }
    std::uint8_t keys[256] = {};
    bool latch = false;
    int overlay = 1, world = 1, reset = 0;
};

TEST_F(KeyLatch, EachKeyTogglesOnceAndOnlyAfterBothKeysAreUpAgain) {
    const int f1 = platform::vkF1, f2 = platform::vkF2;
    set(f1, 1);
    EXPECT_EQ(overlay, 0);
    EXPECT_EQ(reset, 1);   // 1 -> 0 resets the fog layers' step
    reset = 0;
    set(f1, 1);   // key repeat
    EXPECT_EQ(overlay, 0);
    set(f2, 1);   // latch still held by F1
    set(f1, 0);   // F2 still down: latch stays
    set(f2, 1);
    EXPECT_EQ(world, 1);
    set(f2, 0);
    set(f2, 1);
    EXPECT_EQ(world, 0);
    set(f2, 1);
    EXPECT_EQ(world, 0);
    set(f2, 0);
    set(f1, 1);
    EXPECT_EQ(overlay, 1);
    EXPECT_EQ(reset, 0);   // 0 -> 1 leaves the layers alone

    // Both down together flip only the overlay; without fog layers F1 still flips.
    keys[f2] = 0;
    set(f1, 0);
    keys[f1] = keys[f2] = 1;
    applyKeySwitches(keys, latch, {&overlay, &world, nullptr});
    EXPECT_EQ(overlay, 0);
    EXPECT_EQ(world, 0);
}

}  // namespace
