// Bitmap-font text: font lookup, where text lands, the
// per-code display lists and printf-style printing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>

#include "platform/glyphs.h"
#include "render/renderer.h"
#include "render/text.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::litPixels;

class Text : public testsupport::GlTest {
protected:
    void SetUp() override {
        rendertest::windowState();
        renderer.initFonts(nullptr);
        glColor4f(1, 1, 1, 1);
    }
    Renderer renderer;
};

TEST_F(Text, LoadingBarDotsLandOnTheirRowAndColumn) {
    // The loading bar: dots at x = 380 + 8i, y = 142 with the first font;
    // their origin is window pixel (379 + 8i, 600 - 18 - 142 - 1 = 439).
    platform::GlyphFont reference;   // the first font's
    ASSERT_TRUE(platform::rasterizeFont("Arial", 18, 7, 1000, reference));
    const platform::GlyphBitmap& dot = reference.glyphs['.'];
    ASSERT_GT(dot.width, 0);
    for (int i = 0; i < 4; ++i) renderer.printColored(nullptr, 380 + 8 * i, 142, 0.7f, 0.4f, 0.2f, ".");
    for (int i = 0; i < 4; ++i) {
        const int originX = 379 + 8 * i;
        const rendertest::Lit box = litPixels(gl, 40, originX - 3, originX + 6);
        ASSERT_GT(box.count, 0) << "dot " << i;
        EXPECT_EQ(box.left, originX - int(dot.xorig)) << "dot " << i;
        EXPECT_EQ(box.bottom, 439 - int(dot.yorig)) << "dot " << i;
        EXPECT_EQ(box.right - box.left + 1, dot.width) << "dot " << i;
        EXPECT_EQ(box.top - box.bottom + 1, dot.height) << "dot " << i;
    }
    // The colour given is drawn.
    const rendertest::Lit all = litPixels(gl);
    EXPECT_LE(testsupport::channelDistance(gl.pixel(all.left, all.bottom), {179, 102, 51, 255}), 1);
}

// Code 255 draws nothing and does not move the pen, so it pads a format
// without showing: formatted text is cut at 255 characters.
TEST_F(Text, CodeTwoFiftyFiveIsEmptyAndFormattedTextIsCutAt255Characters) {
    auto litCount = [&](const std::string& text) {
        glClear(GL_COLOR_BUFFER_BIT);
        renderer.print(nullptr, 100, 100, "%s", text.c_str());
        return litPixels(gl).count;
    };
    const int dot = litCount("."), digit = litCount("1");
    ASSERT_GT(dot, 0);
    EXPECT_EQ(litCount("\xff\xff"), 0);
    EXPECT_EQ(litCount(".\xff."), litCount(".."));
    EXPECT_GT(litCount("\xe9\x80"), 10);
    EXPECT_GT(litCount("\xfe"), 10);   // the last code with a glyph
    EXPECT_EQ(litCount(std::string(254, '\xff') + "..."), dot);
    EXPECT_EQ(litCount(std::string(253, '\xff') + "11"), 2 * digit);
}

TEST_F(Text, KeysAreExactAndPrintLeavesTexturingOnBlendingLightingCullingOff) {
    Qu::FontSet* set = renderer.fontSet;
    ASSERT_EQ(set->count(), 6);
    EXPECT_EQ(set->findFont("Impact")->height, 30);
    for (const char* near : {"arial", "Arial ", ""}) EXPECT_EQ(set->findFont(near), nullptr) << near;
    for (int i = 1; i < set->count(); ++i) EXPECT_GE(set->at(i)->listBase, set->at(i - 1)->listBase + 256);
    Qu::FontSet empty(nullptr);
    empty.print(nullptr, 10, 10, "x");   // no font to draw with: nothing drawn
    renderer.print("arial", 100, 100, "HELLO");
    renderer.print("Arial", 100, 100, nullptr);
    EXPECT_EQ(litPixels(gl).count, 0);

    glEnable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    renderer.print("Impact", 10, 10, "Hi %d", 3);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    // Impact: origin at row 600 - 30 - 10 - 1 = 559, capitals reach up.
    const rendertest::Lit box = litPixels(gl);
    EXPECT_EQ(box.bottom, 559);
    EXPECT_GT(box.top, 559 + 15);
}

}  // namespace
