// World renderers: the eye transform, texture coordinates, culling and
// double-sided lighting, the transparent pass's blend modes, lights and their
// flare sprites. Pixels are checked against colours and places worked out
// here, not read from the renderer.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "render/renderer.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::brightness;
using rendertest::channel;
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
    const Qu::Vector placed = object->position;
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
            return Qu::Vector(p.x * r[0] + p.y * r[3] + p.z * r[6] + move * (object->position.x - c.eye.x),
                              p.x * r[1] + p.y * r[4] + p.z * r[7] + move * (object->position.y - c.eye.y),
                              p.x * r[2] + p.y * r[5] + p.z * r[8] + move * (object->position.z - c.eye.z));
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
    EXPECT_EQ(object->position.x, placed.x);   // the placement is left alone
    EXPECT_EQ(object->position.z, placed.z);
}

class WorldDraw : public testsupport::GlTest {
protected:
    void SetUp() override { rendertest::windowState(); }
    // Draws twice: meshes listed before the lights are lit by the light
    // state of the frame before.
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
    world.light(GL_LIGHT0, 0, 0, 0);
    twoFrames(world);
    EXPECT_LE(testsupport::channelDistance(gl.pixel(512, 384), Rgba{130, 70, 200, 255}), 2);
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
    world.light(GL_LIGHT0, 0, 0, 0);
    twoFrames(world);

    EXPECT_EQ(brightness(at(3, -2, 10)), 0);
    EXPECT_EQ(brightness(at(0, 0, 10)), 0);
    // Kind 1 samples the mipmapped name (green), kind 2 the linear one (red).
    const Rgba front = at(-3, -2, 10), reversedLit = at(-3, 2, 10), reversedDark = at(3, 2, 10);
    EXPECT_GT(front.g, 150);
    EXPECT_LT(front.r, 60);
    EXPECT_GT(reversedLit.r, 150);
    EXPECT_LT(reversedLit.g, 60);
    // The double-sided square facing the light has its normal reversed:
    // only the global ambient term remains.
    EXPECT_GT(brightness(reversedDark), 0);
    EXPECT_LT(brightness(reversedDark), 30);
}

// A light listed before a mesh lights it in the same frame from its world
// position given as an eye one (the light pass corrects it for the next
// frame). With the eye 10 behind the origin, that position lies in front of
// the square and the true eye position behind it.
TEST_F(WorldDraw, ALightListedFirstLightsFacesFromItsWorldPosition) {
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
    EXPECT_EQ(centre.r, centre.g);
    EXPECT_EQ(centre.g, centre.b);
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

    // An unknown mode keeps the factors of the face drawn before it: the
    // farther one (mode 1), though it comes later in the list.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    TestWorld world;
    Qu::Object* nearer = world.object(Qu::kindTransparent);
    world.square(2, 0, 5, 2, true);
    nearer->setColorBlend(0.8, 0.4, 0.2, 0.5, 7);
    Qu::Object* farther = world.object(Qu::kindTransparent);
    world.square(-4, 0, 9, 2, true);
    farther->setColorBlend(0.8, 0.4, 0.2, 0.5, 1);
    world.finish();
    renderer.drawWorld(&world.model);
    expectColour(at(2, 0, 5), 1.0, 0.16 + 0.5, 0.04 + 0.5, "mode 7 after mode 1");
}

TEST_F(WorldDraw, SpriteOnlyLightsDrawAdditiveFlaresBehindNearerGeometry) {
    // Flares show the linear name (white), not the mipmapped one (green).
    TestTexture white(1, 1, TestTexture::solid(1, 0, 255, 0), TestTexture::solid(1, 255, 255, 255));
    TestWorld world;
    world.object(Qu::kindMesh);
    world.square(0, 0, 5, 0.5, true);   // hides the middle of the flare
    world.finish();
    Qu::Light* flare = world.light(123, 0, 0, 10);   // not a light enumerant: GL ignores it
    flare->spriteOnly = 1;
    flare->texture = &white.key;
    flare->setSize(2);
    while (glGetError() != GL_NO_ERROR) {
    }
    renderer.drawWorld(&world.model);
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM));
    EXPECT_LT(brightness(gl.pixel(512, 384)), 60);
    const Rgba beside = at(0, 0.8, 10);   // beside the mesh, inside the flare
    EXPECT_EQ(beside, (Rgba{255, 255, 255, beside.a}));
    EXPECT_EQ(brightness(at(0, 1.2, 10)), 0);     // outside the sprite's edge of 2
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // The additive world renderer draws no flare; drawLightFlares does,
    // adding c·c: over grey 0.5 a grey flare gives 0.5 + 0.25.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawWorldAdditive(&world.model);
    EXPECT_EQ(brightness(at(0, 0.8, 10)), 0);
    TestTexture grey(1, 1, TestTexture::solid(1, 128, 128, 128));
    flare->texture = &grey.key;
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawLightFlares(&world.model);
    EXPECT_NEAR(gl.pixel(512, 384).r, channel(0.5 + 0.252), 2);
}

TEST_F(WorldDraw, LightStateCarriesTheEyePositionIntoTheNextFrame) {
    TestWorld world;
    world.finish();
    world.light(GL_LIGHT1, 3, 4, 20)->setColors(0.9f, 0.8f, 0.7f, 0.3f, 0.2f, 0.1f);
    renderer.drawWorld(&world.model);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    float position[4], diffuse[4], ambient[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    // Eye (3, 4, 20) under the flip: (-3, -4, -21); alpha 0.5 throughout.
    EXPECT_NEAR(position[0], -3.0f, 1e-4);
    EXPECT_NEAR(position[1], -4.0f, 1e-4);
    EXPECT_NEAR(position[2], -21.0f, 1e-4);
    EXPECT_FLOAT_EQ(diffuse[0], 0.9f);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(ambient[2], 0.1f);
    EXPECT_FLOAT_EQ(ambient[3], 0.5f);
}

}  // namespace
