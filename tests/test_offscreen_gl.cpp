// Headless GL context: frame size, row order of read-back, depth buffer,
// fixed-function drawing and the PNG writer.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/offscreen_gl.h"
#include "support/gl_context.h"
#include "support/paths.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace {

using testsupport::GlContext;
using testsupport::Rgba;

// Fills the rectangle [x0, x1) x [y0, y1) in window pixels with one colour at depth z (-1..1).
void fillRect(int width, int height, int x0, int y0, int x1, int y1, float z,
              unsigned char r, unsigned char g, unsigned char b) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, 1, -1);   // window z maps to depth directly
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3ub(r, g, b);
    glBegin(GL_QUADS);
    glVertex3f(float(x0), float(y0), z);
    glVertex3f(float(x1), float(y0), z);
    glVertex3f(float(x1), float(y1), z);
    glVertex3f(float(x0), float(y1), z);
    glEnd();
}

// Every drawing check runs on the pbuffer and on the framebuffer-object path.
class OffscreenGlBackend : public ::testing::TestWithParam<bool> {};

TEST_P(OffscreenGlBackend, GivesACompatibilityContextOfTheAskedSize) {
    GlContext gl(64, 32, GetParam());
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(gl.width(), 64);
    EXPECT_EQ(gl.height(), 32);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 32);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    // Like the window, the frame stores no alpha: blends that read the
    // destination's alpha must see 1.
    GLint alphaBits = -1;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    EXPECT_EQ(alphaBits, 0);
    // Immediate mode must work: it is a compatibility context.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    fillRect(64, 32, 0, 0, 64, 32, 0, 10, 20, 30);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(gl.pixel(5, 5), (Rgba{10, 20, 30, 255}));
}

TEST(OffscreenGl, DefaultSizeIsTheDemoWindow) {
    GlContext gl;
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(gl.width(), 1024);
    EXPECT_EQ(gl.height(), 768);
}

TEST_P(OffscreenGlBackend, ReadBackKeepsGlRowOrderAndFlipsOnRequest) {
    GlContext gl(8, 4, GetParam());
    ASSERT_TRUE(gl.ok());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    fillRect(8, 4, 0, 0, 8, 1, 0, 255, 0, 0);   // bottom row red

    EXPECT_EQ(gl.pixel(3, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixelFromTop(3, 3), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixelFromTop(3, 0), (Rgba{0, 0, 255, 255}));

    std::vector<std::uint8_t> bottomUp = gl.offscreen().readPixels();
    std::vector<std::uint8_t> topDown = gl.frame();
    ASSERT_EQ(bottomUp.size(), 8u * 4u * 4u);
    ASSERT_EQ(topDown.size(), bottomUp.size());
    EXPECT_EQ(bottomUp[0], 255);                 // first row GL gives is the bottom one
    EXPECT_EQ(bottomUp[2], 0);
    EXPECT_EQ(topDown[0], 0);                    // top row is blue
    EXPECT_EQ(topDown[2], 255);
    EXPECT_EQ(topDown[3 * 8 * 4], 255);          // last row is red
    EXPECT_EQ(platform::flipRows(topDown, 8, 4), bottomUp);
}

TEST_P(OffscreenGlBackend, DepthBufferHidesFartherDrawing) {
    GlContext gl(16, 16, GetParam());
    ASSERT_TRUE(gl.ok());
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    fillRect(16, 16, 0, 0, 16, 16, -0.5f, 255, 0, 0);  // near
    fillRect(16, 16, 0, 0, 8, 16, 0.5f, 0, 255, 0);    // far, left half only
    fillRect(16, 16, 8, 0, 16, 16, -0.9f, 0, 0, 255);  // nearer, right half
    EXPECT_EQ(gl.pixel(2, 8), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixel(12, 8), (Rgba{0, 0, 255, 255}));
    glClear(GL_DEPTH_BUFFER_BIT);                      // a pass separator: far draws again
    fillRect(16, 16, 0, 0, 8, 16, 0.5f, 0, 255, 0);
    EXPECT_EQ(gl.pixel(2, 8), (Rgba{0, 255, 0, 255}));
}

TEST(OffscreenGl, TwoContextsKeepTheirOwnFrames) {
    platform::OffscreenGl first, second;
    ASSERT_TRUE(first.create(4, 4)) << first.error();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(second.create(4, 4)) << second.error();
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(first.makeCurrent());
    std::vector<std::uint8_t> pixels = first.readPixels();
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 0);
    ASSERT_TRUE(second.makeCurrent());
    pixels = second.readPixels();
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
}

TEST(OffscreenGl, RejectsAnEmptyFrame) {
    platform::OffscreenGl gl;
    EXPECT_FALSE(gl.create(0, 768));
    EXPECT_FALSE(gl.valid());
    EXPECT_FALSE(gl.error().empty());
    EXPECT_TRUE(gl.readPixels().empty());
}

TEST_P(OffscreenGlBackend, PngHoldsTheFrameTopRowFirst) {
    GlContext gl(6, 3, GetParam());
    ASSERT_TRUE(gl.ok());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    fillRect(6, 3, 0, 2, 6, 3, 0, 200, 100, 50);   // top row
    std::string dir = testsupport::makeTempDir();
    std::string path = dir + "/frame.png";
    ASSERT_TRUE(gl.savePng(path));

    int width = 0, height = 0, channels = 0;
    stbi_set_flip_vertically_on_load(0);
    unsigned char* decoded = stbi_load(path.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(width, 6);
    EXPECT_EQ(height, 3);
    EXPECT_EQ(channels, 4);
    std::vector<std::uint8_t> png(decoded, decoded + 6 * 3 * 4);
    stbi_image_free(decoded);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(png, gl.frame());
    EXPECT_EQ(png[0], 200);
    EXPECT_EQ(png[1], 100);
    EXPECT_EQ(png[2], 50);
    EXPECT_EQ(png[6 * 4], 0);   // second row is background
}

TEST(OffscreenGl, FramebufferObjectPathIsTaken) {
    platform::OffscreenGl gl;
    ASSERT_TRUE(gl.create(4, 4, true)) << gl.error();
    EXPECT_TRUE(gl.usesFramebufferObject());
}

INSTANTIATE_TEST_SUITE_P(Backends, OffscreenGlBackend, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Fbo" : "Default";
                         });

TEST(OffscreenGl, PngWriterRefusesMismatchedBuffers) {
    std::string dir = testsupport::makeTempDir();
    std::vector<std::uint8_t> tooShort(2 * 2 * 4 - 1);
    EXPECT_FALSE(platform::writeRgbaPng(dir + "/short.png", 2, 2, tooShort));
    EXPECT_FALSE(platform::writeRgbaPng(dir + "/no-such-dir/x.png", 1, 1, std::vector<std::uint8_t>(4)));
    std::filesystem::remove_all(dir);
}

}  // namespace
