// Headless GL context: frame size, row order of read-back, depth buffer,
// drawing and the PNG writer the capture tool relies on
// (read back with stb_image, an independent decoder).
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

using testsupport::Rgba;

// Every check runs on the pbuffer and on the framebuffer-object path.
class OffscreenGlBackend : public ::testing::TestWithParam<bool> {};

TEST_P(OffscreenGlBackend, DrawsReadsBackAndWritesThePngTopRowFirst) {
    testsupport::GlContext gl(8, 4, GetParam());
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(gl.offscreen().usesFramebufferObject(), GetParam());
    GLint depthBits = 0, alphaBits = -1;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(alphaBits, 0);   // like the window: blends reading alpha see 1

    // Bottom row red, the rest blue: read back bottom row first.
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 8, 0, 4, -1, 1);
    glColor3ub(255, 0, 0);
    glRecti(0, 0, 8, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(gl.pixel(3, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixelFromTop(3, 0), (Rgba{0, 0, 255, 255}));
    const std::vector<std::uint8_t> bottomUp = gl.offscreen().readPixels(), topDown = gl.frame();
    EXPECT_EQ(platform::flipRows(topDown, 8, 4), bottomUp);   // GL gives the bottom row first

    const std::string dir = testsupport::makeTempDir();
    ASSERT_TRUE(gl.savePng(dir + "/frame.png"));
    int width = 0, height = 0, channels = 0;
    unsigned char* decoded = stbi_load((dir + "/frame.png").c_str(), &width, &height, &channels, 4);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(8, 4));
    EXPECT_EQ(std::vector<std::uint8_t>(decoded, decoded + 8 * 4 * 4), topDown);
    stbi_image_free(decoded);
    EXPECT_FALSE(platform::writeRgbaPng(dir + "/short.png", 2, 2, std::vector<std::uint8_t>(2 * 2 * 4 - 1)));
    EXPECT_FALSE(platform::writeRgbaPng(dir + "/no-such-dir/x.png", 1, 1, std::vector<std::uint8_t>(4)));
    std::filesystem::remove_all(dir);
    platform::OffscreenGl empty;
    EXPECT_FALSE(empty.create(0, 768));
    EXPECT_FALSE(empty.error().empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, OffscreenGlBackend, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Fbo" : "Default";
                         });

}  // namespace
