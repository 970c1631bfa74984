// Engine foundation: lists, pointer arrays, vector and matrix math, the
// timer on a virtual clock, and the error type.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/error.h"
#include "engine/list.h"
#include "engine/matrix.h"
#include "engine/timer.h"
#include "engine/vector.h"
#include "platform/ticks.h"

namespace {

TEST(List, EmptyAndOneItemLists) {
    Qu::List<int> list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    EXPECT_FALSE(list.hasMore());
    auto item = std::make_unique<int>(42);
    {
        Qu::List<int> one;
        one.add(item.get());
        EXPECT_EQ(one.first(), item.get());
        EXPECT_TRUE(one.hasMore());
        EXPECT_EQ(one.next(), item.get());   // fresh cursor: the same item again
        EXPECT_FALSE(one.hasMore());
        EXPECT_EQ(one.next(), nullptr);
        EXPECT_EQ(one.last(), item.get());
    }
    EXPECT_EQ(*item, 42);   // the list owned nothing
}

TEST(List, SeventeenItemsGrowTheIndexKeepOrderAndSeek) {
    int items[17];
    Qu::List<int> list;
    for (int& i : items) list.add(&i);
    EXPECT_EQ(list.count(), 17);
    EXPECT_EQ(list.indexArray().slots(), 32);
    EXPECT_EQ(list.at(16), &items[16]);
    std::vector<int*> seen;
    list.first();
    while (list.hasMore()) seen.push_back(list.next());
    ASSERT_EQ(seen.size(), 17u);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(seen[i], &items[i]) << i;
    EXPECT_EQ(list.seek(15), &items[15]);   // the walk goes on from there
    EXPECT_EQ(list.next(), &items[15]);
    EXPECT_EQ(list.next(), &items[16]);
    EXPECT_EQ(list.next(), nullptr);
    EXPECT_EQ(list.seek(0), list.first());
}

TEST(PtrArray, ClearKeepsStorageAndDoublingKeepsSlots) {
    Qu::PtrArray array;
    int values[40];
    for (int i = 0; i < 33; ++i) array.push(&values[i]);
    EXPECT_EQ(array.slots(), 64);
    EXPECT_EQ(array.at(32), &values[32]);
    void** before = array.slot(0);
    array.clear();
    EXPECT_EQ(array.size(), 0);
    EXPECT_EQ(array.slots(), 64);
    array.push(&values[39]);
    EXPECT_EQ(array.slot(0), before);
    EXPECT_EQ(array.at(0), &values[39]);
    array.reserve(4096);
    EXPECT_EQ(array.slots(), 4096);
    EXPECT_EQ(array.at(0), &values[39]);
}

// A reader announces each batch; storage must not move inside a batch, and
// many small batches must not regrow the array once per batch.
TEST(PtrArray, ReserveMoreHoldsABatchAndGrowsGeometrically) {
    Qu::PtrArray array;
    int value = 0;
    array.reserveMore(100);
    EXPECT_GE(array.slots(), 100);
    void** start = array.slot(0);
    for (int i = 0; i < 100; ++i) array.push(&value);
    EXPECT_EQ(array.slot(0), start);
    array.reserveMore(0);
    EXPECT_EQ(array.slot(0), start);

    int growths = 0;
    for (int batch = 0; batch < 1000; ++batch) {
        const std::int32_t slots = array.slots();
        array.reserveMore(3);
        growths += array.slots() != slots;
        for (int i = 0; i < 3; ++i) array.push(&value);
    }
    EXPECT_EQ(array.size(), 3100);
    EXPECT_LE(growths, 6);   // 100 -> 3100 slots by doubling
    EXPECT_EQ(array.at(3099), &value);
}

void expectVector(const Qu::Vector& v, double x, double y, double z, double eps = 1e-6) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

TEST(Vector, ZeroLengthIsReportedAsOne) {
    Qu::Vector v(0, 0, 0);
    EXPECT_EQ(v.length(), 1.0);
    v.normalise();
    expectVector(v, 0, 0, 0, 0);
    Qu::Vector w(3, 4, 0);
    EXPECT_EQ(w.length(), 5.0);
    w.normalise();
    expectVector(w, 0.6, 0.8, 0.0);
}

TEST(Vector, CrossAndTransformInPlace) {
    expectVector(Qu::Vector(1, 0, 0).cross(Qu::Vector(0, 1, 0)), 0, 0, 1);
    expectVector(Qu::Vector(0, 1, 0).cross(Qu::Vector(1, 0, 0)), 0, 0, -1);
    Qu::Matrix m;
    m.rotation(0, 0, 0.5f);
    Qu::Vector v(1, 0, 0);
    v.transform(v.x, v.y, v.z, m);   // in place: source read before writing
    expectVector(v, std::cos(0.5), std::sin(0.5), 0);
}

TEST(Matrix, RotationFollowsTheElementFormulas) {
    Qu::Matrix m;
    m.rotation(0, 0, 0);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(m.m[i], i % 4 == 0 ? 1.0f : 0.0f);

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

    // x first, then y, then z: compare with the product of the three.
    Qu::Matrix rx, ry, rz, all;
    rx.rotation(0.4f, 0, 0);
    ry.rotation(0, -1.1f, 0);
    rz.rotation(0, 0, 2.0f);
    rx.multiply(ry);
    rx.multiply(rz);
    all.rotation(0.4f, -1.1f, 2.0f);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(rx.m[i], all.m[i], 1e-6) << i;
}

TEST(Matrix, MultiplyByIdentityAndByItself) {
    Qu::Matrix a, id;
    a.rotation(0.2f, 0.7f, -0.3f);
    id.identity();
    Qu::Matrix b = a;
    b.multiply(id);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(b.m[i], a.m[i]);
    Qu::Matrix c = id;
    c.multiply(a);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(c.m[i], a.m[i]);
    // Squaring with a copy of itself must use the old values throughout.
    Qu::Matrix z, z2, expected;
    z.rotation(0, 0, 0.25f);
    z2 = z;
    z2.multiply(z);
    expected.rotation(0, 0, 0.5f);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(z2.m[i], expected.m[i], 1e-6) << i;
}

TEST(Timer, ElapsedSurvivesTheTickWrap) {
    platform::VirtualClock clock(0xFFFFFF00u);
    Qu::Timer timer;
    timer.reset();
    EXPECT_EQ(timer.elapsedMs(), 0u);
    EXPECT_EQ(timer.elapsedMs(), timer.elapsedMs());
    clock.advance(0x80);
    EXPECT_EQ(timer.elapsedMs(), 0x80u);
    clock.advance(0x100);   // counter wraps past zero
    EXPECT_LT(clock.now(), 0x100u);
    EXPECT_EQ(timer.elapsedMs(), 0x180u);
    timer.reset();
    EXPECT_EQ(timer.elapsedMs(), 0u);
}

TEST(Error, AssignmentReusesOrReplacesTheBlock) {
    Qu::Error target("a fairly long message");
    const char* block = target.text();
    target = Qu::Error("short");
    EXPECT_STREQ(target.text(), "short");
    EXPECT_EQ(target.text(), block);   // shorter text: same block
    target = Qu::Error("a message longer than any before it");
    EXPECT_STREQ(target.text(), "a message longer than any before it");
}

TEST(Error, SelfAssignmentThrowsAndKeepsTheText) {
    Qu::Error e("keep me");
    Qu::Error& alias = e;
    try {
        e = alias;
        FAIL() << "self assignment did not throw";
    } catch (const Qu::Error& thrown) {
        EXPECT_STREQ(thrown.text(), "self assignment is not allowed");
    }
    EXPECT_STREQ(e.text(), "keep me");
}

TEST(Error, CopiesOwnTheirText) {
    auto source = std::make_unique<Qu::Error>("owned");
    Qu::Error copy(*source);
    EXPECT_NE(copy.text(), source->text());
    source.reset();
    EXPECT_STREQ(copy.text(), "owned");
}

}  // namespace
