// Build-up effect: how many faces the face count N shows, where the lines lie
// in depth, the glow sprites at the head face and their size, the depth
// clears of the large variant, and the lit surface pass.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::Corner;
using rendertest::project;
using rendertest::TestTexture;
using rendertest::TestWorld;

const double depth = 1000.0;
const int faceCount = 5;

double faceX(int i) { return -300.0 + 150.0 * i; }

bool anyLight(const std::uint8_t* p) { return std::max({p[0], p[1], p[2]}) > 30; }
bool reddish(const std::uint8_t* p) { return p[0] > 100 && p[0] > 3 * p[1]; }
bool lineColour(const std::uint8_t* p) { return p[0] == 153 && p[1] == 153 && p[2] == 204; }

// A row of triangles at eye depth 1000 with corners 100 apart, face i centred
// on faceX(i), all in one object of the kind; `rowY` moves the row up or down.
void row(TestWorld& world, std::int32_t kind, double rowY, bool facingAway = false,
         Qu::TextureKey* texture = nullptr) {
    world.object(kind);
    for (int i = 0; i < faceCount; ++i) {
        const Corner a{faceX(i) - 50, rowY - 50, depth}, b{faceX(i) + 50, rowY - 50, depth};
        const Corner c{faceX(i), rowY + 50, depth};
        world.triangle(a, facingAway ? b : c, facingAway ? c : b, texture);
    }
}

// Faces of a row (1-based) with more than `minimum` pixels passing `test` in
// the screen box around them.
std::vector<int> facesShown(const testsupport::GlContext& gl, double rowY,
                            bool (*test)(const std::uint8_t*) = anyLight, int minimum = 0) {
    const std::vector<std::uint8_t> frame = gl.frame();
    std::vector<int> shown;
    for (int i = 0; i < faceCount; ++i) {
        const rendertest::ScreenPoint low = project(faceX(i) + 70, rowY + 70, depth);
        const rendertest::ScreenPoint high = project(faceX(i) - 70, rowY - 70, depth);
        int count = 0;
        for (int y = int(low.y); y <= int(high.y); ++y)
            for (int x = int(low.x); x <= int(high.x); ++x)
                count += test(&frame[(std::size_t(767 - y) * 1024 + x) * 4]);
        if (count > minimum) shown.push_back(i + 1);
    }
    return shown;
}

// A texture library holding "light3" in one grey level (the library owns
// and frees only the key).
struct GlowLibrary {
    explicit GlowLibrary(std::uint8_t level) : glow(1, 1, TestTexture::solid(level, level, level)) {
        Qu::TextureKey* key = new Qu::TextureKey(glow.key);
        key->key = "light3";
        library.keys.add(key);
    }
    TestTexture glow;
    Qu::TextureLibrary library;
};

using Pass = void (Renderer::*)(Qu::Model*, Qu::TextureLibrary*, float);

class BuildUp : public testsupport::GlTest {
protected:
    void SetUp() override {
        rendertest::windowState();
        glDisable(GL_CULL_FACE);   // as the world renderer before the build passes leaves it
    }
    // Depth cleared to 0: a pass that did not clear it itself would draw nothing.
    void clear() {
        glClearDepth(0.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }
    Renderer renderer;
};

TEST_F(BuildUp, FaceCountShowsFacesWhoseIndexIsBelowN) {
    TestWorld world;
    row(world, Qu::kindWireBuild, -150);
    row(world, Qu::kindSolidBuild, 150);
    world.finish();
    const struct {
        float n;
        std::vector<int> faces;
    } cases[] = {{0.0f, {}},        {-2.0f, {}},          {0.2f, {1}},
                 {1.5f, {1, 2}},    {3.0f, {1, 2, 3}},    {100.0f, {1, 2, 3, 4, 5}}};
    for (const auto& c : cases) {
        clear();
        renderer.drawWireBuild(&world.model, nullptr, c.n);
        // Both objects of the kinds drawn build in step.
        EXPECT_EQ(facesShown(gl, -150), c.faces) << "N = " << c.n;
        EXPECT_EQ(facesShown(gl, 150), c.faces) << "N = " << c.n;
    }
    // The large variant draws only the wire-only kind, the fine one both.
    clear();
    renderer.drawWireBuildLarge(&world.model, nullptr, 2.5f);
    EXPECT_EQ(facesShown(gl, -150), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(facesShown(gl, 150).empty());
    // Lines are opaque, unlit and untextured in (0.6, 0.6, 0.8).
    clear();
    renderer.drawWireBuildFine(&world.model, nullptr, 2.5f);
    EXPECT_EQ(facesShown(gl, 150, lineColour, 20), (std::vector<int>{1, 2, 3}));
}

// Each line lies `lift` farther than its face, and its first corner a rises
// by `step` each of the three times it is given: segment c-a' ends deeper
// than a-b. Near the eye the depth buffer shows both.
TEST_F(BuildUp, LinesLieLiftedBehindTheirFaceAndTheirFirstCornerRises) {
    TestWorld world;
    world.object(Qu::kindWireBuild);
    const double e = 0.5;
    world.triangle({0.3, -0.3, e}, {-0.3, -0.3, e}, {0.3, 0.3, e});   // a, b, c
    world.finish();
    // Window depth of GL distance d under the projection (near 1, far 4200).
    auto window = [](double d) { return 0.5 * ((4201.0 - 2.0 * 4200.0 / d) / 4199.0) + 0.5; };
    // Nearest depth among the line pixels within 3 pixels of p.
    auto lineDepth = [&](rendertest::ScreenPoint p) {
        float nearest = 2;
        for (int y = int(p.y) - 3; y <= int(p.y) + 3; ++y)
            for (int x = int(p.x) - 3; x <= int(p.x) + 3; ++x) {
                float d = 2;
                glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
                if (rendertest::brightness(gl.pixel(x, y)) > 0) nearest = std::min(nearest, d);
            }
        return double(nearest);
    };
    const struct {
        Pass pass;
        double lift, step;
    } variants[] = {{&Renderer::drawWireBuild, 1.0, 0.01}, {&Renderer::drawWireBuildFine, 0.01, 0.001}};
    for (const auto& variant : variants) {
        SCOPED_TRACE(::testing::Message() << "lift " << variant.lift);
        clear();
        (renderer.*variant.pass)(&world.model, nullptr, 0.5f);
        const double z = e + variant.lift, d = z + 1.0;
        const double ab = lineDepth(project(0, -0.3, z)), ca = lineDepth(project(0.3, -0.18, z));
        const double rise = window(d + variant.step) - window(d);
        EXPECT_NEAR(ab, window(d), 4e-5);
        EXPECT_GT(ca - ab, 0.5 * rise);   // 80% of the way from c to a'
        EXPECT_LT(ca - ab, rise + 4e-5);
    }
}

TEST_F(BuildUp, HeadFaceGlowsWithSpritesThatSwellOverOneFace) {
    GlowLibrary glowTexture(255);
    TestWorld world;
    row(world, Qu::kindWireBuild, 0);
    world.finish();
    // Side |K·(trunc(N) - N)| eye units at depth ~1001, in pixels; K is 100,
    // and 580 in the large variant.
    auto side = [](double units) { return units / (depth + 2) * 384 / std::tan(42.5 * M_PI / 180); };
    const struct {
        Pass pass;
        float n;
        int headFace;   // 0: no glow
        double units;
    } cases[] = {{&Renderer::drawWireBuild, 1.5f, 1, 50},  {&Renderer::drawWireBuild, 1.75f, 1, 75},
                 {&Renderer::drawWireBuild, 3.4f, 3, 40},  {&Renderer::drawWireBuild, 3.0f, 0, 0},
                 {&Renderer::drawWireBuild, 100.5f, 0, 0}, {&Renderer::drawWireBuildLarge, 2.1f, 2, 58}};
    for (const auto& c : cases) {
        clear();
        (renderer.*c.pass)(&world.model, &glowTexture.library, c.n);
        // Three white squares, one per corner, centred on the head face.
        const rendertest::Lit white = rendertest::litPixels(gl, 255);
        if (c.headFace == 0) {
            EXPECT_EQ(white.count, 0) << "N = " << c.n;
            continue;
        }
        const double expected = 3 * side(c.units) * side(c.units);
        EXPECT_NEAR(white.count, expected, expected * 0.1) << "N = " << c.n;
        EXPECT_NEAR(white.x, project(faceX(c.headFace - 1), 0, depth).x, 2.0) << "N = " << c.n;
    }
    Qu::TextureLibrary none;   // without "light3": lines only
    clear();
    renderer.drawWireBuild(&world.model, &none, 1.5f);
    EXPECT_EQ(rendertest::litPixels(gl, 255).count, 0);
}

// Corner a near, corner b farther and overlapping on screen: a's sprite is
// drawn first, so b's hides behind it unless the depth is cleared between.
TEST_F(BuildUp, LargeVariantSpritesAreNeverHiddenByNearerGeometry) {
    GlowLibrary glowTexture(128);
    TestWorld world;
    world.object(Qu::kindWireBuild);
    world.triangle({0, 0, depth}, {20, 0, depth + 100}, {0, -300, depth});
    world.finish();
    const double oneGlow = std::pow(128 / 255.0, 2) * 255;   // additive: c·c
    const rendertest::ScreenPoint p = project(10, 15, depth);
    for (const int glows : {1, 2}) {
        clear();
        (renderer.*(glows == 2 ? &Renderer::drawWireBuildLarge : &Renderer::drawWireBuild))(
            &world.model, &glowTexture.library, 1.5f);
        EXPECT_NEAR(gl.pixel(int(p.x), int(p.y)).r, int(std::lround(glows * oneGlow)), 2) << glows;
    }
}

TEST_F(BuildUp, SolidPassDrawsLitTexturedFacesOfTheSurfaceKindOnly) {
    TestTexture texture(1, 1, TestTexture::solid(40, 255, 40), TestTexture::solid(255, 40, 40));
    TestWorld world;
    // Facing away: the reversed normals face the light at the eye.
    row(world, Qu::kindSolidBuild, -150, true, &texture.key);
    row(world, Qu::kindWireBuild, 150, true, &texture.key);
    world.finish();
    world.light(GL_LIGHT0, 0, 0, 0);
    renderer.drawWorld(&world.model);   // sets the light the surface is lit by
    clear();
    renderer.drawSolidBuild(&world.model, nullptr, 3.0f);   // faces 1 to 3: index below N
    EXPECT_EQ(facesShown(gl, -150, reddish, 100), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(facesShown(gl, 150).empty()) << "wire-only kind drawn as surface";
    const rendertest::ScreenPoint centre = project(faceX(0), -150, depth);
    EXPECT_GT(gl.pixel(int(centre.x), int(centre.y)).r, 150);   // lit by the diffuse light
}

}  // namespace
