// World renderers: the eye transform, where the view flip puts things,
// texture coordinates, culling and double-sided lighting, the depth-sorted
// transparent pass and its blend modes, lights and their flare sprites.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::brightness;
using rendertest::Corner;
using rendertest::TestTexture;
using rendertest::TestWorld;
using testsupport::Rgba;

// Channel value of a 0..1 intensity, clamped as the frame stores it.
int channel(double v) { return int(std::lround(std::min(1.0, std::max(0.0, v)) * 255.0)); }

// Centroid of the lit pixels of the frame (window coordinates, y up).
struct Blob {
    int count = 0;
    double x = 0, y = 0;
};
Blob litBlob(const testsupport::GlContext& gl) {
    const std::vector<std::uint8_t> frame = gl.frame();
    Blob blob;
    for (int row = 0; row < gl.height(); ++row)
        for (int x = 0; x < gl.width(); ++x) {
            const std::uint8_t* p = &frame[(std::size_t(row) * gl.width() + x) * 4];
            if (std::max({p[0], p[1], p[2]}) < 40) continue;
            ++blob.count;
            blob.x += x + 0.5;
            blob.y += gl.height() - row - 0.5;
        }
    if (blob.count) {
        blob.x /= blob.count;
        blob.y /= blob.count;
    }
    return blob;
}

// ---------------------------------------------------------------- eye space

TEST(EyeSpace, MatchesWorldPositionMeasuredAlongTheCameraAxes) {
    TestWorld world;
    Qu::Object* object = world.object(Qu::kindMesh);
    world.triangle({1, 2, 3}, {4, -1, 2}, {-2, 0, 5});
    world.finish();
    object->place(0.3, -0.7, 1.1, 10, -4, 25);
    world.camera->setEye(Qu::Vector(3, 2, -8));
    world.camera->setLookAt(Qu::Vector(-5, 7, 40));
    world.camera->update();

    const Qu::Vector placed = object->position;
    object->toEyeSpace(world.camera);
    object->toEyeSpace(world.camera);   // repeating starts from the same placement

    const Qu::Camera& c = *world.camera;
    const float* r = object->matrix.m;
    object->vertices.first();
    while (object->vertices.hasMore()) {
        const Qu::Vertex* v = object->vertices.next();
        const Qu::Vector& p = v->position;
        // World point: p·R + position, then measured from the eye along
        // side, up and forward.
        const double w[3] = {p.x * r[0] + p.y * r[3] + p.z * r[6] + object->position.x - c.eye.x,
                             p.x * r[1] + p.y * r[4] + p.z * r[7] + object->position.y - c.eye.y,
                             p.x * r[2] + p.y * r[5] + p.z * r[8] + object->position.z - c.eye.z};
        auto along = [&](const Qu::Vector& axis) { return w[0] * axis.x + w[1] * axis.y + w[2] * axis.z; };
        EXPECT_NEAR(v->eyePosition.x, along(c.side), 1e-4);
        EXPECT_NEAR(v->eyePosition.y, along(c.up), 1e-4);
        EXPECT_NEAR(v->eyePosition.z, along(c.forward), 1e-4);
        // Normals turn with the object and the camera but do not move.
        const Qu::Vector& n = v->normal;
        const double wn[3] = {n.x * r[0] + n.y * r[3] + n.z * r[6], n.x * r[1] + n.y * r[4] + n.z * r[7],
                              n.x * r[2] + n.y * r[5] + n.z * r[8]};
        EXPECT_NEAR(v->eyeNormal.z, wn[0] * c.forward.x + wn[1] * c.forward.y + wn[2] * c.forward.z, 1e-5);
    }
    // The placement is left alone.
    EXPECT_EQ(object->position.x, placed.x);
    EXPECT_EQ(object->position.z, placed.z);
}

TEST(EyeSpace, ColoursAreStoredAlphaFirstOnEveryFace) {
    TestWorld world;
    Qu::Object* object = world.object(Qu::kindTransparent);
    world.square(0, 0, 5, 1, true);
    object->setColorBlend(0.1, 0.2, 0.3, 0.4, 2);
    for (int f = 0; f < 2; ++f) {
        const Qu::Face* face = object->faces.at(f);
        EXPECT_EQ(std::vector<float>(face->color, face->color + 4), (std::vector<float>{0.4f, 0.1f, 0.2f, 0.3f}));
        EXPECT_EQ(face->blend, 2);
    }
    object->setColor(1, 0.5, 0.25, 0.75);   // keeps the blend mode
    EXPECT_FLOAT_EQ(object->faces.at(1)->color[0], 0.75f);
    EXPECT_EQ(object->faces.at(1)->blend, 2);
}

// ---------------------------------------------------------------- sorting

TEST(TransparentSort, OrdersEveryTransparentFaceFarToNearAndReusesStorage) {
    TestWorld world;
    world.object(Qu::kindTransparent);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> depth(1.0, 500.0);
    for (int i = 0; i < 300; ++i) {
        const double z = depth(random);
        world.triangle({0, 0, z}, {1, 0, z + 0.5}, {0, 1, z - 0.5});
    }
    for (std::int32_t kind : {Qu::kindMesh, Qu::kindDoubleSided}) {   // not transparent: never sorted in
        world.object(kind);
        world.triangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
    }
    world.object(Qu::kindTransparent);
    for (int i = 0; i < 200; ++i) world.triangle({0, 0, 42}, {1, 0, 42}, {0, 1, 42});   // equal depths
    Qu::Face* bad = world.triangle({0, 0, 6}, {1, 0, 6}, {0, 1, 6});
    world.finish();
    bad->vertexIndex[2] = 99999;   // names a vertex that does not exist: left out

    Renderer renderer;
    renderer.sortTransparentFaces(&world.model);
    ASSERT_EQ(renderer.transparentFaces.size(), 500);
    std::set<void*> distinct;
    for (int i = 0; i < 500; ++i) {
        Qu::Face* f = static_cast<Qu::Face*>(renderer.transparentFaces.at(i));
        distinct.insert(f);
        double sum = 0;
        for (int c = 0; c < 3; ++c) sum += world.model.vertices.at(int(f->vertexIndex[c]))->eyePosition.z;
        EXPECT_NEAR(f->depth, sum / 3, 1e-9);
        if (i > 0) {
            EXPECT_GE(static_cast<Qu::Face*>(renderer.transparentFaces.at(i - 1))->depth, f->depth);
        }
    }
    EXPECT_EQ(distinct.size(), 500u);
    const int slots = renderer.transparentFaces.slots();
    renderer.sortTransparentFaces(&world.model);
    EXPECT_EQ(renderer.transparentFaces.slots(), slots);

    Qu::Model noCamera;
    renderer.sortTransparentFaces(&noCamera);
    EXPECT_EQ(renderer.transparentFaces.size(), 0);
}

// ---------------------------------------------------------------- drawing

class WorldDraw : public testsupport::GlTest {
protected:
    void SetUp() override { rendertest::windowState(); }
    // Draws twice: meshes are lit by the light state of the frame before.
    void twoFrames(TestWorld& world) {
        renderer.drawWorld(&world.model);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderer.drawWorld(&world.model);
    }
    Rgba at(double ex, double ey, double ez) {
        const rendertest::ScreenPoint s = rendertest::project(ex, ey, ez);
        return gl.pixel(int(s.x), int(s.y));
    }
    Renderer renderer;
};

// A small red unlit square (transparent kind, opaque alpha) at a world point.
void marker(TestWorld& world, double x, double y, double z) {
    Qu::Object* o = world.object(Qu::kindTransparent);
    world.square(x, y, z, 0.2, true);
    o->setColorBlend(1, 0, 0, 1, 2);
}

TEST_F(WorldDraw, WorldPointsLandWhereTheViewFlipPutsThem) {
    struct Case {
        double x, y, z;
    };
    for (const Case& c : {Case{0, 0, 5}, Case{1, 0, 5}, Case{0, 1, 5}, Case{-1.5, 0.8, 9}}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        TestWorld world;
        marker(world, c.x, c.y, c.z);
        world.finish();
        renderer.drawWorld(&world.model);
        const Blob blob = litBlob(gl);
        const rendertest::ScreenPoint expected = rendertest::project(c.x, c.y, c.z);
        ASSERT_GT(blob.count, 20) << c.x << "," << c.y << "," << c.z;
        EXPECT_NEAR(blob.x, expected.x, 1.0) << c.x << "," << c.y << "," << c.z;
        EXPECT_NEAR(blob.y, expected.y, 1.0) << c.x << "," << c.y << "," << c.z;
    }
    // Eye +x is left of the centre and eye +y below it.
    EXPECT_LT(rendertest::project(1, 0, 5).x, 512.0);
    EXPECT_LT(rendertest::project(0, 1, 5).y, 384.0);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld behind;
    marker(behind, 0, 0, -5);
    behind.finish();
    renderer.drawWorld(&behind.model);
    EXPECT_EQ(litBlob(gl).count, 0);
}

TEST_F(WorldDraw, TextureCoordinatesAreNegatedWhenDrawn) {
    // Texel (column c, row r) = (10 + 60c, 10 + 60r, 200).
    std::vector<std::uint8_t> pixels;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) pixels.insert(pixels.end(), {std::uint8_t(10 + 60 * c), std::uint8_t(10 + 60 * r), 200, 255});
    TestTexture texture(4, 4, pixels);
    TestWorld world;
    Qu::Object* o = world.object(Qu::kindTransparent);
    // Stored (0.375, 0.625) is drawn at (-0.375, -0.625), which repeats to
    // (0.625, 0.375): column 2, row 1. The opaque pass (lit) does the same.
    world.square(0, 0, 5, 1, true, &texture.key, 0.375f, 0.625f);
    o->setColorBlend(1, 1, 1, 1, 2);
    world.object(Qu::kindMesh);
    world.square(2, 0, 5, 1, true, &texture.key, 0.375f, 0.625f);
    world.finish();
    world.light(GL_LIGHT0, 0, 0, 0)->setColors(1, 1, 1, 0, 0, 0);
    twoFrames(world);
    const Rgba centre = gl.pixel(512, 384);
    EXPECT_LE(testsupport::channelDistance(centre, Rgba{130, 70, 200, 255}), 2) << testing::PrintToString(centre);
    const Rgba lit = at(2, 0, 5);
    EXPECT_NEAR(double(lit.r) / lit.b, 0.65, 0.05) << testing::PrintToString(lit);
    EXPECT_NEAR(double(lit.g) / lit.b, 0.35, 0.05) << testing::PrintToString(lit);
}

TEST_F(WorldDraw, CullingDoubleSidedLightingAndTextureNames) {
    TestTexture texture(1, 1, TestTexture::solid(1, 40, 255, 40), TestTexture::solid(1, 255, 40, 40));
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
    Qu::Light* light = world.light(GL_LIGHT0, 0, 0, 0);
    light->setColors(1, 1, 1, 0, 0, 0);
    twoFrames(world);

    const Rgba front = at(-3, -2, 10);
    const Rgba culled = at(3, -2, 10);
    const Rgba reversedLit = at(-3, 2, 10);
    const Rgba reversedDark = at(3, 2, 10);
    EXPECT_EQ(brightness(culled), 0);
    EXPECT_EQ(brightness(at(0, 0, 10)), 0);
    // Kind 1 samples the mipmapped name (green), kind 2 the linear one (red).
    EXPECT_GT(front.g, 150);
    EXPECT_LT(front.r, 60);
    EXPECT_GT(reversedLit.r, 150);
    EXPECT_LT(reversedLit.g, 60);
    // The double-sided square facing the light is dark: its normal is
    // reversed; only the global ambient term remains.
    EXPECT_GT(brightness(reversedDark), 0);
    EXPECT_LT(brightness(reversedDark), 30);
}

TEST_F(WorldDraw, FacesWithoutTextureAreDrawnUntexturedAndLit) {
    TestWorld world;
    world.object(Qu::kindMesh);
    world.square(0, 0, 10, 2, true);
    world.finish();
    Qu::Light* light = world.light(GL_LIGHT0, 0, 0, 0);
    light->setColors(1, 1, 1, 0, 0, 0);
    twoFrames(world);
    const Rgba centre = gl.pixel(512, 384);
    // Default material diffuse 0.8 head-on plus the 0.2 x 0.2 global ambient.
    EXPECT_NEAR(centre.r, channel(0.8 + 0.04), 3);
    EXPECT_EQ(centre.r, centre.g);
    EXPECT_EQ(centre.g, centre.b);
}

TEST_F(WorldDraw, TransparentFacesBlendFarFirstWhateverTheirListOrder) {
    TestWorld world;
    Qu::Object* nearFace = world.object(Qu::kindTransparent);
    world.square(0, 0, 5, 2, true);
    nearFace->setColorBlend(0, 1, 0, 0.5, 2);
    Qu::Object* farFace = world.object(Qu::kindTransparent);
    world.square(0, 0, 8, 4, true);
    farFace->setColorBlend(1, 0, 0, 0.5, 2);
    world.finish();
    renderer.drawWorld(&world.model);
    // Red over black, then green over that: (0.25, 0.5, 0).
    const Rgba centre = gl.pixel(512, 384);
    EXPECT_NEAR(centre.r, channel(0.25), 2);
    EXPECT_NEAR(centre.g, channel(0.5), 2);
    EXPECT_EQ(centre.b, 0);
    // Faces were taken far to near.
    ASSERT_EQ(renderer.transparentFaces.size(), 4);
    EXPECT_GT(static_cast<Qu::Face*>(renderer.transparentFaces.at(0))->depth, 7.9);
}

// Colour of a face of colour (0.8, 0.4, 0.2, alpha 0.5) drawn over grey 0.5.
Rgba blendOverGrey(Renderer& renderer, testsupport::GlContext& gl, std::int32_t mode, bool additive) {
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld world;
    Qu::Object* o = world.object(Qu::kindTransparent);
    world.square(0, 0, 5, 2, true);
    o->setColorBlend(0.8, 0.4, 0.2, 0.5, mode);
    world.finish();
    if (additive)
        renderer.drawWorldAdditive(&world.model);
    else
        renderer.drawWorld(&world.model);
    return gl.pixel(512, 384);
}

void expectColour(const Rgba& got, double r, double g, double b, const char* what) {
    EXPECT_NEAR(got.r, channel(r), 3) << what;
    EXPECT_NEAR(got.g, channel(g), 3) << what;
    EXPECT_NEAR(got.b, channel(b), 3) << what;
}

TEST_F(WorldDraw, BlendModesOfTheTransparentPass) {
    // 0: c·c + d·(1 - c); 1: c·c + d (additive renderer: c + d); 2: alpha.
    expectColour(blendOverGrey(renderer, gl, 0, false), 0.64 + 0.1, 0.16 + 0.3, 0.04 + 0.4, "mode 0");
    expectColour(blendOverGrey(renderer, gl, 1, false), 1.0, 0.16 + 0.5, 0.04 + 0.5, "mode 1");
    expectColour(blendOverGrey(renderer, gl, 1, true), 1.0, 0.9, 0.7, "mode 1 additive");
    expectColour(blendOverGrey(renderer, gl, 2, false), 0.65, 0.45, 0.35, "mode 2");
    expectColour(blendOverGrey(renderer, gl, 2, true), 0.65, 0.45, 0.35, "mode 2 additive");

    // An unknown mode keeps the factors of the face drawn before it (the
    // farther one, mode 1 here).
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld world;
    Qu::Object* first = world.object(Qu::kindTransparent);
    world.square(-4, 0, 9, 2, true);
    first->setColorBlend(0.8, 0.4, 0.2, 0.5, 1);
    Qu::Object* second = world.object(Qu::kindTransparent);
    world.square(2, 0, 5, 2, true);
    second->setColorBlend(0.8, 0.4, 0.2, 0.5, 7);
    world.finish();
    renderer.drawWorld(&world.model);
    expectColour(at(2, 0, 5), 1.0, 0.16 + 0.5, 0.04 + 0.5, "mode 7 after mode 1");
}

TEST_F(WorldDraw, SpriteOnlyLightsDrawAdditiveFlaresBehindNearerGeometry) {
    // Flares show the linear name (white), not the mipmapped one (green).
    TestTexture white(1, 1, TestTexture::solid(1, 0, 255, 0), TestTexture::solid(1, 255, 255, 255));
    TestWorld world;
    world.finish();
    Qu::Light* flare = world.light(123, 0, 0, 10);   // not a light enumerant: GL ignores it
    flare->spriteOnly = 1;
    flare->texture = &white.key;
    flare->setSize(2);
    while (glGetError() != GL_NO_ERROR) {
    }
    renderer.drawWorld(&world.model);
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM));
    EXPECT_EQ(brightness(gl.pixel(512, 384)), 255);
    EXPECT_EQ(brightness(at(0, 1.2, 10)), 0);     // outside the sprite's edge of 2
    EXPECT_GT(brightness(at(0, 0.9, 10)), 200);   // inside
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // The additive world renderer draws no flare; drawLightFlares does.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawWorldAdditive(&world.model);
    EXPECT_EQ(brightness(gl.pixel(512, 384)), 0);
    renderer.drawLightFlares(&world.model);
    EXPECT_EQ(gl.pixel(512, 384).r, 255);
    // Over grey a grey flare adds c·c: 0.5 + 0.25.
    TestTexture grey(1, 1, TestTexture::solid(1, 128, 128, 128));
    flare->texture = &grey.key;
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawLightFlares(&world.model);
    EXPECT_NEAR(gl.pixel(512, 384).r, channel(0.5 + 0.252), 2);
    glClearColor(0, 0, 0, 0.5f);

    // A nearer opaque mesh hides it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld blocked;
    blocked.object(Qu::kindMesh);
    blocked.square(0, 0, 5, 0.5, true);
    blocked.finish();
    Qu::Light* hidden = blocked.light(124, 0, 0, 10);
    hidden->spriteOnly = 1;
    hidden->texture = &white.key;
    hidden->setSize(2);
    renderer.drawWorld(&blocked.model);
    EXPECT_LT(brightness(gl.pixel(512, 384)), 60);
    EXPECT_EQ(brightness(at(0, 0.8, 10)), 255);   // beside the mesh, still visible
}

TEST_F(WorldDraw, FlareWithoutTextureOrCameraDrawsNothing) {
    TestWorld world;
    world.finish();
    Qu::Light* bare = world.light(125, 0, 0, 10);
    bare->spriteOnly = 1;
    bare->setSize(50);
    glEnable(GL_BLEND);
    renderer.drawWorld(&world.model);
    EXPECT_EQ(litBlob(gl).count, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // A model without a camera is not drawn at all.
    TestTexture white(1, 1, TestTexture::solid(1, 255, 255, 255));
    Qu::Model noCamera;
    Qu::Light lonely;
    lonely.setKind(Qu::kindLight);
    lonely.spriteOnly = 1;
    lonely.texture = &white.key;
    lonely.setSize(50);
    noCamera.objects.add(&lonely);
    renderer.drawWorld(&noCamera);
    renderer.drawWorldAdditive(&noCamera);
    renderer.drawLightFlares(&noCamera);
    EXPECT_EQ(litBlob(gl).count, 0);
}

TEST_F(WorldDraw, LightStateCarriesTheEyePositionIntoTheNextFrame) {
    TestWorld world;
    world.finish();
    Qu::Light* light = world.light(GL_LIGHT1, 3, 4, 20);
    light->setColors(0.9f, 0.8f, 0.7f, 0.3f, 0.2f, 0.1f);
    renderer.drawWorld(&world.model);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    float position[4], diffuse[4], ambient[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    // Eye (3, 4, 20) under the flip: (-3, -4, -21).
    EXPECT_NEAR(position[0], -3.0f, 1e-4);
    EXPECT_NEAR(position[1], -4.0f, 1e-4);
    EXPECT_NEAR(position[2], -21.0f, 1e-4);
    EXPECT_FLOAT_EQ(diffuse[0], 0.9f);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(ambient[2], 0.1f);
    EXPECT_FLOAT_EQ(ambient[3], 0.5f);
}

}  // namespace
