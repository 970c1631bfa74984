// Screen quads: placement on the 951-unit plane, texture orientation,
// mirroring, and the blend factors of the three operations.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::TestTexture;
using testsupport::Rgba;

int channel(double v) { return int(std::lround(std::min(1.0, std::max(0.0, v)) * 255.0)); }

// 2 x 2 texture, first stored row red, green; second blue, white.
std::vector<std::uint8_t> quadrants() {
    return {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
}

class ScreenQuad : public testsupport::GlTest {
protected:
    void SetUp() override { rendertest::windowState(); }
    // Clears to grey g, with alpha 0.5 as the demo clears.
    void clearTo(float g) {
        glClearColor(g, g, g, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    Renderer renderer;
};

TEST_F(ScreenQuad, FullViewRectangleFillsTheFrameWithFirstRowAtTheBottom) {
    TestTexture texture(2, 2, quadrants());
    renderer.drawQuad(&texture.texture, -1165, -880, 1165, 880, 1.0f);
    // Black background, colours of 0 or 1: c·c + 0 = c.
    EXPECT_EQ(gl.pixel(0, 0), (Rgba{255, 0, 0, gl.pixel(0, 0).a}));
    EXPECT_EQ(gl.pixel(1023, 0), (Rgba{0, 255, 0, gl.pixel(1023, 0).a}));
    EXPECT_EQ(gl.pixel(0, 767), (Rgba{0, 0, 255, gl.pixel(0, 767).a}));
    EXPECT_EQ(gl.pixel(1023, 767), (Rgba{255, 255, 255, gl.pixel(1023, 767).a}));

    // A rectangle just inside the visible edge (about 1161.9 x 871.4) does
    // not reach the frame's corner.
    clearTo(0);
    renderer.drawQuad(&texture.texture, -1150, -860, 1150, 860, 1.0f);
    EXPECT_EQ(rendertest::brightness(gl.pixel(0, 0)), 0);
    EXPECT_EQ(rendertest::brightness(gl.pixel(10, 10)), 255);
}

TEST_F(ScreenQuad, CoordinatesRunRightAndUpOnThePlane) {
    TestTexture white(1, 1, TestTexture::solid(1, 255, 255, 255));
    renderer.drawQuad(&white.texture, 0, 0, 200, 100, 1.0f);
    // 951 units ahead: x pixels = 512 + x / 1161.9 · 512, y likewise.
    const double right = 512 + 200 / (951 * std::tan(42.5 * M_PI / 180) * 4.0 / 3.0) * 512;
    const double top = 384 + 100 / (951 * std::tan(42.5 * M_PI / 180)) * 384;
    EXPECT_EQ(rendertest::brightness(gl.pixel(int(right) - 1, int(top) - 1)), 255);
    EXPECT_EQ(rendertest::brightness(gl.pixel(int(right) + 2, int(top) - 1)), 0);
    EXPECT_EQ(rendertest::brightness(gl.pixel(int(right) - 1, int(top) + 2)), 0);
    EXPECT_EQ(rendertest::brightness(gl.pixel(510, 380)), 0);   // left of / below the corner
    EXPECT_EQ(rendertest::brightness(gl.pixel(513, 385)), 255);
}

TEST_F(ScreenQuad, SwappedCornersDrawTheMirroredPicture) {
    TestTexture texture(2, 2, quadrants());
    renderer.drawQuad(&texture.texture, 1165, -880, -1165, 880, 1.0f);
    EXPECT_EQ(gl.pixel(0, 0).g, 255);      // green now bottom-left
    EXPECT_EQ(gl.pixel(1023, 0).r, 255);   // red bottom-right
    EXPECT_EQ(gl.pixel(1023, 0).g, 0);
    clearTo(0);
    renderer.drawQuad(&texture.texture, -1165, 880, 1165, -880, 1.0f);
    EXPECT_EQ(gl.pixel(0, 767).r, 255);    // first row now at the top
    EXPECT_EQ(gl.pixel(0, 767).b, 0);
}

// The centre pixel after one full-screen quad of a grey texture over a grey
// screen: drawQuad c·c + d·(1 - c), drawScrollQuad c·c + d, drawBlendQuad
// mode 0 d·c (the frame's stored alpha must not count), mode 1 c·c + d·(1 - a),
// any other mode with the factors of the draw before (additive here).
TEST_F(ScreenQuad, BlendFactorsOfEachOperation) {
    enum Op { quad, scroll, blend0, blend1, blend5 };
    const struct {
        Op op;
        double screen, texel, alpha, expected;
    } rows[] = {
        {quad, 0.4, 1, 0, 0.4},   {quad, 0.4, 1, 1, 1},    {quad, 0.4, 0.5, 1, 0.25 + 0.4 * 0.5},
        {scroll, 0.25, 0.5, 0, 0.25}, {scroll, 0.25, 0.5, 1, 0.5},
        {blend0, 0.8, 1, 0, 0},   {blend0, 0.8, 1, 1, 0.8}, {blend0, 0.8, 1, 0.5, 0.4},
        {blend1, 0.8, 1, 0, 0.8}, {blend1, 0.3, 1, 1, 1},  {blend1, 0.8, 0.5, 1, 0.25},
        {blend5, 0.2, 0.5, 1, 0.45},
    };
    for (const auto& row : rows) {
        const std::uint8_t texel = std::uint8_t(std::lround(row.texel * 255));
        TestTexture texture(1, 1, TestTexture::solid(1, texel, texel, texel));
        const float a = float(row.alpha), g = float(row.screen);
        glClearColor(g, g, g, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (row.op == quad) renderer.drawQuad(&texture.texture, -1165, -880, 1165, 880, a);
        if (row.op == scroll) renderer.drawScrollQuad(&texture.texture, -1165, -880, 1165, 880, 0, 0, a);
        if (row.op == blend5) renderer.drawScrollQuad(&texture.texture, 2000, 2000, 2100, 2100, 0, 0, 1);   // off screen
        if (row.op >= blend0) renderer.drawBlendQuad(&texture.texture, -1165, -880, 1165, 880, a, row.op == blend0 ? 0 : row.op == blend1 ? 1 : 5);
        EXPECT_NEAR(gl.pixel(512, 384).r, channel(row.expected), 2) << row.op << " " << row.screen << " " << row.alpha;
    }
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(ScreenQuad, ScrollQuadShiftsTheTexture) {
    // (u, v) = (0.5, 0.5): a quarter of the way across now shows the texel
    // half a texture further on.
    TestTexture texture(2, 2, quadrants());
    renderer.drawScrollQuad(&texture.texture, -1165, -880, 1165, 880, 0.5f, 0.5f, 1.0f);
    const Rgba quarter = gl.pixel(256, 192);
    EXPECT_EQ(quarter.r, 255);   // white texel (1, 1) instead of red (0, 0)
    EXPECT_EQ(quarter.b, 255);
    const Rgba threeQuarters = gl.pixel(768, 576);
    EXPECT_EQ(threeQuarters, (Rgba{255, 0, 0, threeQuarters.a}));   // wrapped round to red
}

TEST_F(ScreenQuad, DepthHidesQuadsAndMissingTexturesDrawNothing) {
    TestTexture white(1, 1, TestTexture::solid(1, 255, 255, 255));
    // Anything nearer than the plane hides the quad: here a depth buffer
    // cleared to 0.
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    renderer.drawQuad(&white.texture, -1165, -880, 1165, 880, 1.0f);
    EXPECT_EQ(rendertest::brightness(gl.pixel(512, 384)), 0);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);

    Qu::Texture empty;   // no image: nothing to bind
    renderer.drawQuad(nullptr, -1165, -880, 1165, 880, 1.0f);
    renderer.drawScrollQuad(&empty, -1165, -880, 1165, 880, 0, 0, 1.0f);
    renderer.drawBlendQuad(nullptr, -1165, -880, 1165, 880, 0.0f, 0);
    EXPECT_EQ(rendertest::brightness(gl.pixel(512, 384)), 0);
    clearTo(0.5f);
    renderer.drawBlendQuad(&empty, -1165, -880, 1165, 880, 0.0f, 0);
    EXPECT_NEAR(gl.pixel(512, 384).r, channel(0.5), 1);
}

}  // namespace
