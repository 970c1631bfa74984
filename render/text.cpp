#include "render/text.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/glyphs.h"
#include "render/renderer.h"

namespace Qu {

namespace {

// Window row of the line text positions are measured down from.
const int referenceLine = 600;

struct FontSpec {
    const char* key;
    const char* face;
    std::int32_t height;
    std::int32_t width;
    std::int32_t weight;
};

const FontSpec fontTable[] = {
    {"Arial", "Arial", 18, 7, 1000},
    {"ArialBig", "Arial", 25, 10, 1000},
    {"Impact", "Impact", 30, 11, 400},
    {"Mnu1", "Arial", 20, 8, 1000},
    {"Info1", "Arial", 18, 8, 800},
    {"Info2", "Arial", 18, 8, 800},
};

// Puts the raster position exactly on window pixel (x - 1, 600 - height -
// y - 1): a 0 x 0 viewport there maps the origin onto its corner.
void setRasterPosition(const Font* font, int x, int y) {
    glPushAttrib(GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(x - 1, referenceLine - font->height - y - 1, 0, 0);
    glRasterPos4f(0.0f, 0.0f, 0.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

FontSet::FontSet(void* deviceContext) : deviceContext(deviceContext) {}

FontSet::~FontSet() {
    for (std::int32_t i = 0; i < fonts.size(); ++i) delete at(i);
}

void FontSet::loadFonts() {
    for (const FontSpec& entry : fontTable)
        fonts.push(createFont(entry.face, entry.key, entry.width, entry.height, entry.weight));
}

Font* FontSet::createFont(const char* face, const char* key, std::int32_t width,
                          std::int32_t height, std::int32_t weight) {
    Font* font = new Font;
    font->height = height;
    font->width = width;
    font->key = key;
    font->listBase = glGenLists(256);
    if (font->listBase == 0) return font;   // no context: the font draws nothing

    // A font that cannot be rasterised still gets its 256 (empty) lists.
    auto glyphs = std::make_unique<platform::GlyphFont>();
    platform::rasterizeFont(face, height, width, weight, *glyphs);

    // Bitmap rows are tightly packed bytes; the data is copied into the list
    // at compile time with the unpack state below.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    for (int code = 0; code < 255; ++code) {
        const platform::GlyphBitmap& glyph = glyphs->glyphs[code];
        glNewList(font->listBase + code, GL_COMPILE);
        // Always a valid data pointer: a zero-size bitmap with a null one
        // would be dropped from the list, losing the advance.
        glBitmap(glyph.width, glyph.height, glyph.xorig, glyph.yorig, glyph.advance, 0.0f,
                 glyph.bits.data());
        glEndList();
    }
    glNewList(font->listBase + 255, GL_COMPILE);
    glEndList();
    glPopClientAttrib();
    return font;
}

Font* FontSet::findFont(const char* key) const {
    if (!key) return fonts.size() > 0 ? at(0) : nullptr;
    for (std::int32_t i = 0; i < fonts.size(); ++i) {
        Font* font = at(i);
        if (font->key && std::strcmp(font->key, key) == 0) return font;
    }
    return nullptr;
}

void FontSet::print(const char* key, int x, int y, const char* text) {
    Font* font = findFont(key);
    if (!text || !font || font->listBase == 0) return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    setRasterPosition(font, x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(font->listBase);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glEnable(GL_TEXTURE_2D);
}

void FontSet::printColored(const char* key, int x, int y, float r, float g, float b,
                           const char* text) {
    glColor4f(r, g, b, 1.0f);
    print(key, x, y, text);
}

}  // namespace Qu

void Renderer::initFonts(void* deviceContext) {
    delete fontSet;
    fontSet = new Qu::FontSet(deviceContext);
    fontSet->loadFonts();
}

void Renderer::print(const char* fontKey, int x, int y, const char* format, ...) {
    if (!format || !fontSet) return;
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);   // cuts at 255 characters
    va_end(args);
    fontSet->print(fontKey, x, y, buffer);
}

void Renderer::printColored(const char* fontKey, int x, int y, float r, float g, float b,
                            const char* format, ...) {
    if (!format || !fontSet) return;
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    fontSet->printColored(fontKey, x, y, r, g, b, buffer);
}
