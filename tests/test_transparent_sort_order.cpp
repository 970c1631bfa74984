// The transparent pass's order: which faces it collects and at what depth,
// and, face for face, the order of the quicksort as described (srand(lo * hi)
// and one rand() per range, Hoare partition) with ties, after the camera
// moves and sorted again and again, so that remembered pivot draws must give
// the very order (and generator state) the plain sort gives. Faces of equal
// depth are where another order would show, in the blending of overlaps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"

namespace {

using rendertest::TestWorld;

TEST(TransparentSort, CollectsEveryTransparentFaceWithItsMeanEyeDepthAndReusesStorage) {
    TestWorld world;
    world.object(Qu::kindTransparent);
    for (int i = 0; i < 300; ++i) world.triangle({0, 0, 1.0 + i}, {1, 0, 1.5 + i}, {0, 1, 2.5 + i});
    for (std::int32_t kind : {Qu::kindMesh, Qu::kindDoubleSided}) {   // not transparent: never sorted in
        world.object(kind);
        world.triangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
    }
    world.object(Qu::kindTransparent);
    Qu::Face* bad = world.triangle({0, 0, 6}, {1, 0, 6}, {0, 1, 6});
    world.finish();
    bad->vertexIndex[2] = 99999;   // names a vertex that does not exist: left out

    Renderer renderer;
    renderer.sortTransparentFaces(&world.model);
    ASSERT_EQ(renderer.transparentFaces.size(), 300);
    std::set<void*> distinct;
    for (int i = 0; i < 300; ++i) {
        Qu::Face* f = static_cast<Qu::Face*>(renderer.transparentFaces.at(i));
        distinct.insert(f);
        double sum = 0;
        for (int c = 0; c < 3; ++c) sum += world.model.vertices.at(int(f->vertexIndex[c]))->eyePosition.z;
        EXPECT_NEAR(f->depth, sum / 3, 1e-9);
        EXPECT_NEAR(f->depth, 300.0 - i + 2.0 / 3.0, 1e-9);   // far to near
    }
    EXPECT_EQ(distinct.size(), 300u);
    const int slots = renderer.transparentFaces.slots();
    renderer.sortTransparentFaces(&world.model);
    EXPECT_EQ(renderer.transparentFaces.slots(), slots);

    Qu::Model noCamera;
    renderer.sortTransparentFaces(&noCamera);
    EXPECT_EQ(renderer.transparentFaces.size(), 0);
}

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

// Sorts with the renderer, then sorts the faces as collected (with the
// depths the renderer gave them) the plain way: same order, and the same
// next value of the generator after each.
void expectPlainSortOrder(Renderer& renderer, TestWorld& world, const std::vector<Qu::Face*>& collected) {
    renderer.sortTransparentFaces(&world.model);
    const int nextAfterRenderer = std::rand();
    std::vector<Qu::Face*> reference = collected;
    if (reference.size() >= 2) referenceSort(reference, 0, int(reference.size()) - 1);
    EXPECT_EQ(nextAfterRenderer, std::rand());
    ASSERT_EQ(std::size_t(renderer.transparentFaces.size()), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ(renderer.transparentFaces.at(int(i)), reference[i]) << "first difference at " << i;
}

TEST(TransparentSortOrder, TiesAfterCameraMovesAndSortedAgainComeOutAsThePlainSortLeavesThem) {
    // Stacks of equal-depth faces among scattered ones, in two objects.
    TestWorld world;
    std::vector<Qu::Face*> collected;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> depth(5.0, 400.0);
    world.object(Qu::kindTransparent);
    for (int i = 0; i < 500; ++i) {
        const double z = depth(random);
        collected.push_back(world.triangle({0, 0, z}, {1, 0, z + 0.25}, {0, 1, z - 0.25}));
    }
    world.object(Qu::kindTransparent);
    for (int s = 0; s < 40; ++s) {
        const double z = depth(random);
        for (int k = 0; k < 10; ++k) collected.push_back(world.triangle({0, 0, z}, {2, 0, z}, {0, 2, z}));
    }
    world.finish();
    Renderer renderer;
    for (int frame = 0; frame < 6; ++frame) {
        SCOPED_TRACE(::testing::Message() << "frame " << frame);
        // Every other frame the eye moves: some ranges repeat, some are new.
        if (frame % 2 == 1) world.camera->setEye(Qu::Vector(0.3 * frame, -0.2 * frame, 0.5 * frame));
        expectPlainSortOrder(renderer, world, collected);
    }
}

TEST(TransparentSortOrder, ArraysOfEveryLengthWithAllDepthsEqual) {
    Renderer renderer;
    for (int n : {2, 3, 5, 17, 64}) {
        SCOPED_TRACE(::testing::Message() << n << " faces");
        TestWorld world;
        world.object(Qu::kindTransparent);
        std::vector<Qu::Face*> faces;
        for (int k = 0; k < n; ++k) faces.push_back(world.triangle({0, 0, 9}, {1, 0, 9}, {0, 1, 9}));
        world.finish();
        expectPlainSortOrder(renderer, world, faces);
        expectPlainSortOrder(renderer, world, faces);
    }
}

}  // namespace
