// World renderers: the eye transform, culling and double-sided lighting, the transparent pass's order
// and blend modes, lights and their flare sprites, and the faces left out as outside the view.
// Pixels are checked against colours and places worked out here.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "render/renderer.h"
#include "render/view_volume.h"
#include "render/world_access.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::brightness;
using rendertest::channel;
using rendertest::Corner;
using rendertest::TestTexture;
using rendertest::TestWorld;
using testsupport::Rgba;

TEST(EyeSpace, MatchesWorldPositionMeasuredAlongTheCameraAxes) {
    TestWorld world;
    Qu::Object* object = world.object(Qu::kindMesh);
    world.triangle({1, 2, 3}, {4, -1, 2}, {-2, 0, 5});
    world.finish();
    object->place(0.3, -0.7, 1.1, 10, -4, 25);
    world.camera->setEye(Qu::Vector(3, 2, -8));
    world.camera->setLookAt(Qu::Vector(-5, 7, 40));
    world.camera->update();
    const Qu::Vector placed = object->position;   // expected from the placement before the calls
    object->toEyeSpace(world.camera);
    object->toEyeSpace(world.camera);   // repeating starts from the same placement

    const Qu::Camera& c = *world.camera;
    const float* r = object->matrix.m;
    object->vertices.first();
    while (object->vertices.hasMore()) {
        const Qu::Vertex* v = object->vertices.next();
        // World point p·R + position, measured from the eye along side, up
        // and forward; normals turn with the object but do not move.
        auto world3 = [&](const Qu::Vector& p, double move) {
            return Qu::Vector(p.x * r[0] + p.y * r[3] + p.z * r[6] + move * (placed.x - c.eye.x),
                              p.x * r[1] + p.y * r[4] + p.z * r[7] + move * (placed.y - c.eye.y),
                              p.x * r[2] + p.y * r[5] + p.z * r[8] + move * (placed.z - c.eye.z));
        };
        auto along = [](const Qu::Vector& w, const Qu::Vector& axis) {
            return w.x * axis.x + w.y * axis.y + w.z * axis.z;
        };
        const Qu::Vector w = world3(v->position, 1), n = world3(v->normal, 0);
        EXPECT_NEAR(v->eyePosition.x, along(w, c.side), 1e-4);
        EXPECT_NEAR(v->eyePosition.y, along(w, c.up), 1e-4);
        EXPECT_NEAR(v->eyePosition.z, along(w, c.forward), 1e-4);
        EXPECT_NEAR(v->eyeNormal.z, along(n, c.forward), 1e-5);
    }
}

class WorldDraw : public testsupport::GlTest {
protected:
    void SetUp() override { rendertest::windowState(); }
    Rgba at(double ex, double ey, double ez) {
        const rendertest::ScreenPoint s = rendertest::project(ex, ey, ez);
        return gl.pixel(int(s.x), int(s.y));
    }
    Renderer renderer;
};

TEST_F(WorldDraw, CullingDoubleSidedLightingAndTextureNames) {
    TestTexture texture(1, 1, TestTexture::solid(40, 255, 40), TestTexture::solid(255, 40, 40));
    TestWorld world;
    world.object(Qu::kindMesh);
    world.square(-3, -2, 10, 2, true, &texture.key);    // faces the viewer: drawn
    world.object(Qu::kindMesh);
    world.square(3, -2, 10, 2, false, &texture.key);    // faces away: culled
    world.object(Qu::kindDoubleSided);
    world.square(-3, 2, 10, 2, false, &texture.key);    // away, but normal reversed: lit
    world.object(Qu::kindDoubleSided);
    world.square(3, 2, 10, 2, true, &texture.key);      // toward, reversed: unlit side
    world.object(Qu::kindNew);
    world.square(0, 0, 10, 2, true, &texture.key);      // unclassified: never drawn
    world.finish();
    world.light(GL_LIGHT0, 0, 0, 0);
    // Twice: meshes listed before the lights are lit by the light state of the frame before.
    renderer.drawWorld(&world.model);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawWorld(&world.model);

    EXPECT_EQ(brightness(at(3, -2, 10)), 0);
    EXPECT_EQ(brightness(at(0, 0, 10)), 0);
    // Kind 1 samples the mipmapped name (green), kind 2 the linear one (red).
    const Rgba front = at(-3, -2, 10), reversedLit = at(-3, 2, 10), reversedDark = at(3, 2, 10);
    EXPECT_GT(front.g, 150);
    EXPECT_GT(reversedLit.r, 150);
    // The double-sided square facing the light has its normal reversed:
    // only the global ambient term remains.
    EXPECT_GT(brightness(reversedDark), 0);
    EXPECT_LT(brightness(reversedDark), 30);
}

// A light listed before a mesh lights it in the same frame from its world
// position given as an eye one; the light pass then leaves its eye position
// and alpha 0.5 for the next frame. With the eye 10 behind the origin, the
// world position lies in front of the square and the true eye position behind it.
TEST_F(WorldDraw, ALightListedFirstLightsFacesFromItsWorldPositionAndLeavesItsEyeOne) {
    TestWorld world;
    world.camera->setEye(Qu::Vector(0, 0, -10));
    world.light(GL_LIGHT0, 0, 0, 5);
    world.object(Qu::kindMesh);
    world.square(0, 0, 0, 2, true);   // no texture: drawn untextured
    world.finish();
    renderer.drawWorld(&world.model);
    const Rgba centre = gl.pixel(512, 384);
    // Default material diffuse 0.8 at the corners (the light 5 ahead, 1 and 1
    // aside) plus the 0.2 x 0.2 global ambient.
    EXPECT_NEAR(centre.r, channel(0.8 * 5 / std::sqrt(27.0) + 0.04), 2);
    EXPECT_EQ(centre.r, centre.b);
    float position[4], diffuse[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    // Eye (0, 0, 15) under the flip: (0, 0, -16).
    EXPECT_NEAR(position[2], -16.0f, 1e-4);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
}

void expectColour(const Rgba& got, double r, double g, double b, const char* what) {
    EXPECT_NEAR(got.r, channel(r), 3) << what;
    EXPECT_NEAR(got.g, channel(g), 3) << what;
    EXPECT_NEAR(got.b, channel(b), 3) << what;
}

TEST_F(WorldDraw, BlendModesOfTheTransparentPass) {
    // A face of colour (0.8, 0.4, 0.2, alpha 0.5) over grey 0.5. Mode 0:
    // c·c + d·(1 - c); 1: c·c + d (additive renderer: c + d); 2: alpha.
    const struct {
        std::int32_t mode;
        bool additive;
        double r, g, b;
    } rows[] = {{0, false, 0.64 + 0.1, 0.16 + 0.3, 0.04 + 0.4}, {1, false, 1.0, 0.16 + 0.5, 0.04 + 0.5},
                {1, true, 1.0, 0.9, 0.7}, {2, false, 0.65, 0.45, 0.35}, {2, true, 0.65, 0.45, 0.35}};
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "mode " << row.mode);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        TestWorld world;
        Qu::Object* o = world.object(Qu::kindTransparent);
        world.square(0, 0, 5, 2, true);
        o->setColorBlend(0.8, 0.4, 0.2, 0.5, row.mode);
        world.finish();
        (renderer.*(row.additive ? &Renderer::drawWorldAdditive : &Renderer::drawWorld))(&world.model);
        expectColour(gl.pixel(512, 384), row.r, row.g, row.b, row.additive ? "additive" : "plain");
    }

    // An unknown mode keeps the factors of the face drawn before it: the
    // farther one (mode 1), though it comes later in the list. Two faces
    // are already enough to be sorted.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld world;
    Qu::Object* nearer = world.object(Qu::kindTransparent);
    world.triangle({1, -1, 5}, {3, -1, 5}, {2, 1, 5});
    nearer->setColorBlend(0.8, 0.4, 0.2, 0.5, 7);
    Qu::Object* farther = world.object(Qu::kindTransparent);
    world.triangle({-5, -1, 9}, {-3, -1, 9}, {-4, 1, 9});
    farther->setColorBlend(0.8, 0.4, 0.2, 0.5, 1);
    world.finish();
    renderer.drawWorld(&world.model);
    expectColour(at(2, 0, 5), 1.0, 0.16 + 0.5, 0.04 + 0.5, "mode 7 after mode 1");
}

TEST_F(WorldDraw, SpriteOnlyLightsDrawAdditiveFlaresBehindNearerGeometry) {
    // Flares show the linear name (white), not the mipmapped one (green).
    TestTexture white(1, 1, TestTexture::solid(0, 255, 0), TestTexture::solid(255, 255, 255));
    TestWorld world;
    world.object(Qu::kindMesh);
    world.square(0, 0, 5, 0.5, true);   // hides the middle of the flare
    world.finish();
    Qu::Light* flare = world.light(123, 0, 0, 10);   // not a light enumerant: GL ignores it
    flare->spriteOnly = 1;
    flare->texture = &white.key;
    flare->setSize(2);
    renderer.drawWorld(&world.model);
    EXPECT_LT(brightness(gl.pixel(512, 384)), 60);
    const Rgba beside = at(0, 0.8, 10);   // beside the mesh, inside the flare
    EXPECT_EQ(beside, (Rgba{255, 255, 255, beside.a}));
    EXPECT_EQ(brightness(at(0, 1.2, 10)), 0);     // outside the sprite's edge of 2

    // The additive world renderer draws no flare; drawLightFlares does,
    // adding c·c: over grey 0.5 a grey flare gives 0.5 + 0.25.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawWorldAdditive(&world.model);
    EXPECT_EQ(brightness(at(0, 0.8, 10)), 0);
    TestTexture grey(1, 1, TestTexture::solid(128, 128, 128));
    flare->texture = &grey.key;
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawLightFlares(&world.model);
    EXPECT_NEAR(gl.pixel(512, 384).r, channel(0.5 + 0.252), 2);
}

// The transparent pass's order: which faces it collects, at what depth, far
// to near.

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
    for (int i = 0; i < 300; ++i) {
        // The mean corner depth (5/3 + face number), far to near, each face once.
        const double depth = static_cast<Qu::Face*>(renderer.transparentFaces.at(i))->depth;
        EXPECT_NEAR(depth, 300.0 - i + 2.0 / 3.0, 1e-9);
    }
    const int slots = renderer.transparentFaces.slots();
    renderer.sortTransparentFaces(&world.model);
    EXPECT_EQ(renderer.transparentFaces.slots(), slots);

    Qu::Model noCamera;
    renderer.sortTransparentFaces(&noCamera);
    EXPECT_EQ(renderer.transparentFaces.size(), 0);
}

// Faces the world passes leave out because they cannot reach the screen:
// plainly off-screen faces must be caught, faces crossing the view kept, and
// a pass must leave GL as drawing every face would have.

class ViewVolume : public testsupport::GlTest {
protected:
    void SetUp() override {
        rendertest::windowState();
        render::loadViewFlip();
    }
    // Whether the volume leaves out the face with these eye-space corners.
    bool outside(const Qu::Vector& p, const Qu::Vector& q, const Qu::Vector& r) {
        const Qu::Vertex a(p), b(q), c(r);
        const Qu::Vertex* corners[3] = {&a, &b, &c};
        const std::uint32_t index[3] = {0, 1, 2};
        volume.capture(3);
        return volume.outside(index, corners);
    }
    render::ViewVolume volume;
};

TEST_F(ViewVolume, LeavesOutWhatIsBehindTheEyeOrBeyondTheFarPlaneAndKeepsWhatIsAhead) {
    auto small = [&](double x, double y, double z, double size) {
        return outside(Qu::Vector(x - size, y, z), Qu::Vector(x + size, y, z), Qu::Vector(x, y + size, z));
    };
    EXPECT_TRUE(small(0, 0, -50, 10));      // behind the eye
    EXPECT_TRUE(small(0, 0, -0.5, 0.1));    // between the GL eye and the near plane only
    EXPECT_TRUE(small(0, 0, 5000, 10));     // beyond the far plane (4200)
    EXPECT_TRUE(small(500, 0, 100, 10));    // far off to one side
    EXPECT_FALSE(small(0, 0, 100, 10));     // straight ahead
    EXPECT_FALSE(small(0, 0, 100, 5000));   // reaching across the whole view
    // From behind the eye into the view, and from beyond one side to beyond
    // the other: every corner is outside, but not outside the same plane.
    EXPECT_FALSE(outside(Qu::Vector(0, 0, -50), Qu::Vector(10, 0, 100), Qu::Vector(0, 10, 100)));
    EXPECT_FALSE(outside(Qu::Vector(-500, 0, 100), Qu::Vector(500, 0, 100), Qu::Vector(0, 5, 100)));
}

// After a pass whose last face is off-screen, the bound texture and the
// current normal and texture coordinates are those that drawing that face
// would have left, and after a pass whose last face is drawn, that face's:
// the next thing drawn may rely on them.
TEST_F(ViewVolume, APassLeavesTheStateOfItsLastFaceWhetherDrawnOrLeftOut) {
    for (const std::int32_t kind : {Qu::kindMesh, Qu::kindDoubleSided, Qu::kindTransparent}) {
        for (const bool hiddenLast : {true, false}) {
            if (kind == Qu::kindTransparent && !hiddenLast) continue;   // the nearest is drawn last
            SCOPED_TRACE(::testing::Message() << "kind " << kind << (hiddenLast ? ", hidden last" : ""));
            rendertest::windowState();
            TestTexture seen(1, 1, TestTexture::solid(200, 0, 0));
            TestTexture hidden(1, 1, TestTexture::solid(0, 200, 0));
            TestWorld world;
            Qu::Object* object = world.object(kind);
            // Behind the eye, in the plane x = 5.
            auto hiddenFace = [&] {
                world.triangle(Corner{5, 0, -30, 0.1f, 0.2f}, Corner{5, 1, -30, 0.3f, 0.4f},
                               Corner{5, 0, -31, 0.625f, 0.75f}, &hidden.key);
            };
            if (!hiddenLast) hiddenFace();
            world.square(0, 0, 20, 4, true, &seen.key, 0.25f, 0.5f);
            if (hiddenLast) hiddenFace();
            world.finish();
            object->setColorBlend(1, 1, 1, 1, 2);
            Renderer renderer;
            renderer.drawWorld(&world.model);
            EXPECT_GT(rendertest::litPixels(gl, 1).count, 0);   // the square ahead was drawn

            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(GLuint(bound), (hiddenLast ? hidden : seen).image.glMipmap);
            float texture[4] = {}, normal[4] = {};
            glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texture);
            EXPECT_FLOAT_EQ(texture[0], hiddenLast ? -0.625f : -0.25f);
            EXPECT_FLOAT_EQ(texture[1], hiddenLast ? -0.75f : -0.5f);
            // Only the hidden face leaves a normal along x.
            glGetFloatv(GL_CURRENT_NORMAL, normal);
            if (kind != Qu::kindTransparent) {
                EXPECT_NEAR(std::fabs(normal[0]), hiddenLast ? 1.0f : 0.0f, 1e-5f);
            }
        }
    }
}

}  // namespace
