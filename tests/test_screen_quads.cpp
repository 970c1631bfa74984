// Screen quads: texture orientation,
// mirroring and scrolling, and the blend factors of the three operations.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <vector>

#include "render/renderer.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::brightness;
using rendertest::channel;
using rendertest::TestTexture;
using testsupport::Rgba;

class ScreenQuad : public testsupport::GlTest {
protected:
    void SetUp() override { rendertest::windowState(); }
    Renderer renderer;
};

TEST_F(ScreenQuad, FullViewRectangleShowsTheFirstRowAtTheBottomMirroredOrScrolled) {
    // 2 x 2 texture, first stored row red, green; second blue, white.
    TestTexture texture(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    auto corners = [&](float x1, float y1, float x2, float y2, float u = 0, float v = 0) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderer.drawScrollQuad(&texture.texture, x1, y1, x2, y2, u, v, 1.0f);   // over black: c·c + 0 = c
        std::vector<Rgba> seen;
        for (const int y : {0, 767})
            for (const int x : {0, 1023}) {
                const Rgba p = gl.pixel(x, y);
                seen.push_back(Rgba{p.r, p.g, p.b, 0});
            }
        return seen;
    };
    const Rgba red{255, 0, 0, 0}, green{0, 255, 0, 0}, blue{0, 0, 255, 0}, white{255, 255, 255, 0};
    EXPECT_EQ(corners(-1165, -880, 1165, 880), (std::vector<Rgba>{red, green, blue, white}));
    EXPECT_EQ(corners(1165, -880, -1165, 880), (std::vector<Rgba>{green, red, white, blue}));
    EXPECT_EQ(corners(-1165, 880, 1165, -880), (std::vector<Rgba>{blue, white, red, green}));
    // (u, v) = (0.5, 0.5) shifts every texel half a texture on.
    EXPECT_EQ(corners(-1165, -880, 1165, 880, 0.5f, 0.5f), (std::vector<Rgba>{white, blue, green, red}));

    // A rectangle just inside the visible edge (about 1161.9 x 871.4) does
    // not reach the frame's corner.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawQuad(&texture.texture, -1150, -860, 1150, 860, 1.0f);
    EXPECT_EQ(brightness(gl.pixel(0, 0)), 0);
    EXPECT_EQ(brightness(gl.pixel(10, 10)), 255);
}

// The centre pixel after one full-screen quad of a grey texture over a grey
// screen: drawQuad c·c + d·(1 - c), drawScrollQuad c·c + d, drawBlendQuad
// mode 0 d·c (the frame's stored alpha must not count), mode 1 c·c + d·(1 - a),
// any other mode with the factors of the draw before (additive here).
void expectBlends(Renderer& renderer, const testsupport::GlContext& gl) {
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
        TestTexture texture(1, 1, TestTexture::solid(texel, texel, texel));
        const float a = float(row.alpha), g = float(row.screen);
        glClearColor(g, g, g, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (row.op == quad) renderer.drawQuad(&texture.texture, -1165, -880, 1165, 880, a);
        if (row.op == scroll) renderer.drawScrollQuad(&texture.texture, -1165, -880, 1165, 880, 0, 0, a);
        // Mode 5 follows an additive scroll quad drawn off the view.
        if (row.op == blend5) renderer.drawScrollQuad(&texture.texture, 2000, 2000, 2100, 2100, 0, 0, 1);
        const int mode = row.op == blend0 ? 0 : row.op == blend1 ? 1 : 5;
        if (row.op >= blend0) renderer.drawBlendQuad(&texture.texture, -1165, -880, 1165, 880, a, mode);
        EXPECT_NEAR(gl.pixel(gl.width() / 2, gl.height() / 2).r, channel(row.expected), 2)
            << row.op << " " << row.screen << " " << row.alpha;
    }
}

// In a frame without stored alpha, as the demo's window, and then in one that
// stores it: an RGBA8 colour attachment replaces the framebuffer object's RGB8.
TEST_F(ScreenQuad, BlendFactorsAreTheSameInAFrameThatStoresAlpha) {
    expectBlends(renderer, gl);
    testsupport::GlContext frame(64, 48, true);
    ASSERT_TRUE(frame.ok());
    auto proc = [](const char* name) { return eglGetProcAddress(name); };
    const auto gen = reinterpret_cast<PFNGLGENRENDERBUFFERSEXTPROC>(proc("glGenRenderbuffersEXT"));
    const auto bind = reinterpret_cast<PFNGLBINDRENDERBUFFEREXTPROC>(proc("glBindRenderbufferEXT"));
    const auto storage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEEXTPROC>(proc("glRenderbufferStorageEXT"));
    const auto attach =
        reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC>(proc("glFramebufferRenderbufferEXT"));
    ASSERT_TRUE(gen && bind && storage && attach);
    GLuint colour = 0;
    gen(1, &colour);
    bind(GL_RENDERBUFFER_EXT, colour);
    storage(GL_RENDERBUFFER_EXT, GL_RGBA8, 64, 48);
    attach(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour);
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    ASSERT_GT(alphaBits, 0);
    rendertest::windowState(64, 48);
    expectBlends(renderer, frame);
}

}  // namespace
