// The transparent pass's order, face for face, against the quicksort as
// described (srand(lo * hi) and one rand() per range, Hoare partition):
// with ties, after the camera moves, and sorted again and again, so that
// remembered pivot draws must give the very order (and generator state)
// the plain sort gives. Faces of equal depth are where another order
// would show, in the blending of overlapping faces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"

namespace {

using rendertest::TestWorld;

void referenceSort(std::vector<Qu::Face*>& faces, int lo, int hi) {
    while (lo < hi) {
        std::srand(unsigned(lo) * unsigned(hi));
        const int pick = lo + std::rand() % (hi - lo + 1);
        std::swap(faces[std::size_t(lo)], faces[std::size_t(pick)]);
        const double pivot = faces[std::size_t(lo)]->depth;
        int i = lo - 1, j = hi + 1;
        for (;;) {
            do --j; while (faces[std::size_t(j)]->depth < pivot);
            do ++i; while (faces[std::size_t(i)]->depth > pivot);
            if (i >= j) break;
            std::swap(faces[std::size_t(i)], faces[std::size_t(j)]);
        }
        if (j - lo < hi - j) {
            referenceSort(faces, lo, j);
            lo = j + 1;
        } else {
            referenceSort(faces, j + 1, hi);
            hi = j;
        }
    }
}

// The renderer's order and the reference order of the same faces (their
// depths as the renderer computed them, in the order it collected them),
// with the generator's next value after each sort.
struct Orders {
    std::vector<Qu::Face*> renderer, reference;
    int nextAfterRenderer = 0, nextAfterReference = 0;
};

Orders sortBothWays(Renderer& renderer, TestWorld& world, const std::vector<Qu::Face*>& collected) {
    Orders orders;
    renderer.sortTransparentFaces(&world.model);
    orders.nextAfterRenderer = std::rand();
    for (int i = 0; i < renderer.transparentFaces.size(); ++i)
        orders.renderer.push_back(static_cast<Qu::Face*>(renderer.transparentFaces.at(i)));
    orders.reference = collected;
    if (orders.reference.size() >= 2) referenceSort(orders.reference, 0, int(orders.reference.size()) - 1);
    orders.nextAfterReference = std::rand();
    return orders;
}

class TransparentSortOrder : public ::testing::Test {
protected:
    // Stacks of equal-depth faces among scattered ones, in two objects.
    void build(int scattered, int stacks, int perStack) {
        std::mt19937 random(11);
        std::uniform_real_distribution<double> depth(5.0, 400.0);
        world.object(Qu::kindTransparent);
        for (int i = 0; i < scattered; ++i) {
            const double z = depth(random);
            collected.push_back(world.triangle({0, 0, z}, {1, 0, z + 0.25}, {0, 1, z - 0.25}));
        }
        world.object(Qu::kindTransparent);
        for (int s = 0; s < stacks; ++s) {
            const double z = depth(random);
            for (int k = 0; k < perStack; ++k) collected.push_back(world.triangle({0, 0, z}, {2, 0, z}, {0, 2, z}));
        }
        world.finish();
    }

    void expectSameOrder(const Orders& orders) {
        ASSERT_EQ(orders.renderer.size(), orders.reference.size());
        for (std::size_t i = 0; i < orders.reference.size(); ++i)
            ASSERT_EQ(orders.renderer[i], orders.reference[i]) << "first difference at " << i;
        EXPECT_EQ(orders.nextAfterRenderer, orders.nextAfterReference);
    }

    TestWorld world;
    std::vector<Qu::Face*> collected;
    Renderer renderer;
};

TEST_F(TransparentSortOrder, TiesComeOutAsThePlainSortLeavesThem) {
    build(400, 30, 12);
    expectSameOrder(sortBothWays(renderer, world, collected));
}

TEST_F(TransparentSortOrder, SortingAgainAndAfterTheCameraMovesKeepsTheOrder) {
    build(700, 40, 8);
    for (int frame = 0; frame < 6; ++frame) {
        SCOPED_TRACE(::testing::Message() << "frame " << frame);
        // Every other frame the eye moves: some ranges repeat, some are new.
        if (frame % 2 == 1) world.camera->setEye(Qu::Vector(0.3 * frame, -0.2 * frame, 0.5 * frame));
        expectSameOrder(sortBothWays(renderer, world, collected));
    }
}

TEST_F(TransparentSortOrder, ArraysOfEveryLengthAndAllEqualDepths) {
    build(0, 1, 64);
    expectSameOrder(sortBothWays(renderer, world, collected));
    // Shorter arrays of the same faces: one object with the first n faces.
    for (int n : {2, 3, 5, 17}) {
        TestWorld small;
        small.object(Qu::kindTransparent);
        std::vector<Qu::Face*> faces;
        for (int k = 0; k < n; ++k) faces.push_back(small.triangle({0, 0, 9}, {1, 0, 9}, {0, 1, 9}));
        small.finish();
        SCOPED_TRACE(::testing::Message() << n << " faces");
        expectSameOrder(sortBothWays(renderer, small, faces));
        expectSameOrder(sortBothWays(renderer, small, faces));
    }
}

}  // namespace
