// Engine foundation: the list, matrix rotation, the timer on a virtual
// clock, and the error type.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/error.h"
#include "engine/list.h"
#include "engine/matrix.h"
#include "engine/timer.h"
#include "platform/ticks.h"

namespace {

// One cursor: first() makes the next next() return the first item again.
TEST(List, CursorWalksInOrderAndSeeks) {
    Qu::List<int> list;
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_FALSE(list.hasMore());
    int items[17];
    for (int& i : items) list.add(&i);
    EXPECT_EQ(list.last(), &items[16]);
    std::vector<int*> seen;
    list.first();
    while (list.hasMore()) seen.push_back(list.next());
    ASSERT_EQ(seen.size(), 17u);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(seen[i], &items[i]) << i;
    EXPECT_EQ(list.seek(16), &items[16]);   // the walk goes on from there
    EXPECT_EQ(list.next(), &items[16]);
    EXPECT_EQ(list.next(), nullptr);
}

TEST(Matrix, RotationFollowsTheElementFormulas) {
    Qu::Matrix m;
    // Every element is the double formula rounded once to float, bit for bit;
    // single-precision sines would be a float step off for most angles.
    for (int k = -40; k <= 40; ++k) {
        float a = 0.173f * k, b = -0.091f * k + 0.05f, c = 0.257f * k - 0.3f;
        double sa = std::sin(double(a)), ca = std::cos(double(a));
        double sb = std::sin(double(b)), cb = std::cos(double(b));
        double sc = std::sin(double(c)), cc = std::cos(double(c));
        const float expected[9] = {
            float(cb * cc), float(cb * sc), float(-sb),
            float(sa * sb * cc - ca * sc), float(ca * cc + sa * sb * sc), float(sa * cb),
            float(ca * sb * cc + sa * sc), float(ca * sb * sc - sa * cc), float(ca * cb)};
        m.rotation(a, b, c);
        for (int i = 0; i < 9; ++i) ASSERT_EQ(m.m[i], expected[i]) << "k " << k << " element " << i;
    }
}

TEST(Timer, ElapsedSurvivesTheTickWrap) {
    platform::VirtualClock clock(0xFFFFFF00u);
    Qu::Timer timer;
    timer.reset();
    EXPECT_EQ(timer.elapsedMs(), 0u);
    clock.advance(0x80);
    EXPECT_EQ(timer.elapsedMs(), 0x80u);
    clock.advance(0x100);   // counter wraps past zero
    EXPECT_LT(clock.now(), 0x100u);
    EXPECT_EQ(timer.elapsedMs(), 0x180u);
}

// Assignment reuses a block big enough, copies own their text, and
// assigning an error to itself throws and keeps it.
TEST(Error, AssignmentCopiesAndSelfAssignment) {
    Qu::Error target("a fairly long message");
    const char* block = target.text();
    target = Qu::Error("short");
    EXPECT_STREQ(target.text(), "short");
    EXPECT_EQ(target.text(), block);
    target = Qu::Error("a message longer than any before it");
    EXPECT_STREQ(target.text(), "a message longer than any before it");
    auto source = std::make_unique<Qu::Error>("owned");
    Qu::Error copy(*source);
    source.reset();
    EXPECT_STREQ(copy.text(), "owned");
    Qu::Error& alias = copy;
    try {
        copy = alias;
        ADD_FAILURE() << "self assignment did not throw";
    } catch (const Qu::Error& thrown) {
        EXPECT_STREQ(thrown.text(), "self assignment is not allowed");
    }
    EXPECT_STREQ(copy.text(), "owned");
}

}  // namespace
