// Bitmap-font text: glyph rasterisation, font lookup, where text lands, the
// per-code display lists and printf-style printing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "platform/glyphs.h"
#include "render/renderer.h"
#include "render/text.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

// Bounding box of lit pixels (window coordinates, y up); empty when none.
struct Box {
    int count = 0;
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
};
Box litBox(const testsupport::GlContext& gl, int fromX = 0, int toX = -1) {
    if (toX < 0) toX = gl.width() - 1;
    const std::vector<std::uint8_t> frame = gl.frame();
    Box box;
    for (int row = 0; row < gl.height(); ++row)
        for (int x = fromX; x <= toX; ++x) {
            const std::uint8_t* p = &frame[(std::size_t(row) * gl.width() + x) * 4];
            if (std::max({p[0], p[1], p[2]}) < 40) continue;
            const int y = gl.height() - 1 - row;
            ++box.count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.bottom = std::min(box.bottom, y);
            box.top = std::max(box.top, y);
        }
    return box;
}

// ---------------------------------------------------------------- glyphs

TEST(Glyphs, FacesCellsWidthsAndCodePageFollowTheFontRequest) {
    platform::GlyphFont arial, wide, impact, none;
    ASSERT_TRUE(platform::rasterizeFont("Arial", 18, 7, 1000, arial));
    ASSERT_TRUE(platform::rasterizeFont("Arial", 18, 14, 1000, wide));
    ASSERT_TRUE(platform::rasterizeFont("Impact", 30, 11, 400, impact));
    EXPECT_NE(arial.file.find("LiberationSans-Bold"), std::string::npos) << arial.file;
    EXPECT_NE(impact.file.find("DejaVuSansCondensed-Bold"), std::string::npos) << impact.file;
    EXPECT_EQ(arial.ascent + arial.descent, 18);
    // A capital fits the cell above the baseline; a descender reaches below;
    // a space has no pixels but an advance and still a valid data pointer.
    const platform::GlyphBitmap& h = arial.glyphs['H'];
    EXPECT_GT(h.height, 9);
    EXPECT_LE(h.height, arial.ascent);
    EXPECT_EQ(h.bits.size(), std::size_t((h.width + 7) / 8 * h.height));
    EXPECT_GT(arial.glyphs['g'].yorig, 0.0f);
    EXPECT_EQ(arial.glyphs[' '].width * arial.glyphs[' '].height, 0);
    EXPECT_GT(arial.glyphs[' '].advance, 0.0f);
    EXPECT_FALSE(arial.glyphs[' '].bits.empty());
    // The average width scales the face horizontally only.
    float narrowSum = 0, wideSum = 0;
    for (const char* c = "abcdefghijklmnopqrstuvwxyz"; *c; ++c) {
        narrowSum += arial.glyphs[std::uint8_t(*c)].advance;
        wideSum += wide.glyphs[std::uint8_t(*c)].advance;
    }
    EXPECT_NEAR(narrowSum / 26, 7.0, 1.5);
    EXPECT_NEAR(wideSum / narrowSum, 2.0, 0.25);
    EXPECT_EQ(arial.glyphs['H'].height, wide.glyphs['H'].height);
    // Codes are read in the Western code page.
    EXPECT_EQ(platform::ansiToUnicode(0x80), 0x20ACu);   // euro sign
    EXPECT_EQ(platform::ansiToUnicode(0x81), 0u);        // undefined in the page
    EXPECT_EQ(platform::ansiToUnicode(0xE9), 0xE9u);
    EXPECT_GT(arial.glyphs[0x80].width, 0);
    EXPECT_GT(arial.glyphs[0xE9].height, arial.glyphs['e'].height);   // accent on top
    EXPECT_FALSE(platform::rasterizeFont("Arial", 0, 7, 400, none));
    EXPECT_FALSE(platform::rasterizeFont(nullptr, 18, 7, 400, none));
    EXPECT_EQ(none.glyphs['A'].advance, 0.0f);
}

// ---------------------------------------------------------------- text

class Text : public testsupport::GlTest {
protected:
    void SetUp() override {
        rendertest::windowState();
        renderer.initFonts(nullptr);
        glColor4f(1, 1, 1, 1);
    }
    Renderer renderer;
};

TEST_F(Text, FindFontIsExactAndCaseSensitive) {
    Qu::FontSet* set = renderer.fontSet;
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->count(), 6);
    EXPECT_EQ(set->findFont(nullptr), set->at(0));
    EXPECT_STREQ(set->findFont(nullptr)->key, "Arial");
    EXPECT_EQ(set->findFont("Arial")->height, 18);
    EXPECT_EQ(set->findFont("Impact")->height, 30);
    EXPECT_EQ(set->findFont("arial"), nullptr);
    EXPECT_EQ(set->findFont("Arial "), nullptr);
    EXPECT_EQ(set->findFont(""), nullptr);
    // Every font has its own 256 lists.
    for (int i = 1; i < set->count(); ++i) EXPECT_GE(set->at(i)->listBase, set->at(i - 1)->listBase + 256);

    Qu::FontSet empty(nullptr);
    EXPECT_EQ(empty.findFont(nullptr), nullptr);
    empty.print(nullptr, 10, 10, "x");   // nothing to draw with, nothing drawn

    renderer.print("arial", 100, 100, "HELLO");
    renderer.print("Arial", 100, 100, nullptr);
    EXPECT_EQ(litBox(gl).count, 0);
}

TEST_F(Text, LoadingBarDotsLandOnTheirRowAndColumn) {
    // The loading bar: dots at x = 380 + 8i, y = 142 with the first font;
    // their origin is window pixel (379 + 8i, 600 - 18 - 142 - 1 = 439).
    platform::GlyphFont reference;
    ASSERT_TRUE(platform::rasterizeFont("Arial", 18, 7, 1000, reference));
    const platform::GlyphBitmap& dot = reference.glyphs['.'];
    ASSERT_GT(dot.width, 0);
    for (int i = 0; i < 4; ++i) renderer.printColored(nullptr, 380 + 8 * i, 142, 0.7f, 0.4f, 0.2f, ".");
    for (int i = 0; i < 4; ++i) {
        const int originX = 379 + 8 * i;
        const Box box = litBox(gl, originX - 3, originX + 6);
        ASSERT_GT(box.count, 0) << "dot " << i;
        EXPECT_EQ(box.left, originX - int(dot.xorig)) << "dot " << i;
        EXPECT_EQ(box.bottom, 439 - int(dot.yorig)) << "dot " << i;
        EXPECT_EQ(box.right - box.left + 1, dot.width) << "dot " << i;
        EXPECT_EQ(box.top - box.bottom + 1, dot.height) << "dot " << i;
    }
    // The colour given is drawn and stays current.
    const Box all = litBox(gl);
    const testsupport::Rgba p = gl.pixel(all.left, all.bottom);
    EXPECT_NEAR(p.r, 179, 1);
    EXPECT_NEAR(p.g, 102, 1);
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.7f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
}

// Code 255 draws nothing and does not move the pen, so it pads a format
// without showing: formatted text is cut at 255 characters.
TEST_F(Text, CodeTwoFiftyFiveIsEmptyAndFormattedTextIsCutAt255Characters) {
    auto litCount = [&](const std::string& text) {
        glClear(GL_COLOR_BUFFER_BIT);
        renderer.print(nullptr, 100, 100, "%s", text.c_str());
        return litBox(gl).count;
    };
    const int dot = litCount("."), digit = litCount("1");
    ASSERT_GT(dot, 0);
    EXPECT_EQ(litCount("\xff\xff"), 0);
    EXPECT_EQ(litCount(".\xff."), litCount(".."));
    EXPECT_GT(litCount("\xe9\x80"), 10);
    EXPECT_GT(litCount("\xfe"), 10);   // the last code with a glyph
    const std::string filler(254, '\xff');
    glClear(GL_COLOR_BUFFER_BIT);
    renderer.print(nullptr, 100, 100, "%s...", filler.c_str());
    EXPECT_EQ(litBox(gl).count, dot);
    glClear(GL_COLOR_BUFFER_BIT);
    renderer.print(nullptr, 100, 100, "%s%d", std::string(253, '\xff').c_str(), 11);
    EXPECT_EQ(litBox(gl).count, 2 * digit);
}

TEST_F(Text, PrintLeavesTexturingOnAndBlendingLightingCullingOff) {
    glEnable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    renderer.print("Impact", 10, 10, "Hi %d", 3);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    // Matrices, matrix mode and viewport are as they were.
    GLint mode = 0, after[4];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_VIEWPORT, after);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(after[2], viewport[2]);
    EXPECT_EQ(after[3], viewport[3]);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Impact: origin at row 600 - 30 - 10 - 1 = 559, capitals reach up.
    const Box box = litBox(gl);
    EXPECT_EQ(box.bottom, 559);
    EXPECT_GT(box.top, 559 + 15);
}

}  // namespace
