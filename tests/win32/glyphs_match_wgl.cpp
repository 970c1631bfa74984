// glyphs_match_wgl: every font of the table, drawn through the font set, must
// give the very pixels of display lists that wglUseFontBitmaps builds from
// the same CreateFont request. Needs a display (run under Xvfb); exit 0 when
// all match and each drew something.
//
// Blank glyphs are left out: Wine's wglUseFontBitmaps compiles them as a
// glBitmap with no data, which Mesa drops from the list with its advance,
// so a space there moves the pen by nothing.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/window.h"
#include "render/text.h"

namespace {

const char* const sample = "Error[demoForrest]!0123.,;:/?AZaz";

std::vector<unsigned char> drawn(Qu::FontSet& fonts, const Qu::Font& font, unsigned listBase) {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    if (listBase == font.listBase) {
        fonts.print(font.key, 10, 200, sample);
    } else {
        // The same raster position, then the system's lists.
        fonts.print(font.key, 10, 200, "");
        glListBase(listBase);
        glCallLists(GLsizei(std::strlen(sample)), GL_UNSIGNED_BYTE, sample);
    }
    std::vector<unsigned char> pixels(640 * 480);
    glReadPixels(0, 0, 640, 480, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace

int main() {
    auto window = platform::makeGlWindow();
    if (!window->startVideo() || window->open("glyphs", 640, 480, 32, 16, false) != platform::OpenStep::none) {
        std::printf("no GL window: %s\n", window->error().c_str());
        return 1;
    }
    glViewport(0, 0, 640, 480);
    glReadBuffer(GL_BACK);
    Qu::FontSet fonts(nullptr);
    fonts.loadFonts();
    const struct { int height, width, weight; const char* face; } table[] = {
        {18, 7, 1000, "Arial"}, {25, 10, 1000, "Arial"}, {30, 11, 400, "Impact"},
        {20, 8, 1000, "Arial"}, {18, 8, 800, "Arial"},   {18, 8, 800, "Arial"},
    };
    int failures = 0;
    for (int i = 0; i < fonts.count(); ++i) {
        const Qu::Font& font = *fonts.at(i);
        HFONT system = CreateFontA(table[i].height, table[i].width, 0, 0, table[i].weight, FALSE, FALSE, FALSE,
                                   ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                   FF_DONTCARE | DEFAULT_PITCH, table[i].face);
        SelectObject(wglGetCurrentDC(), system);
        const GLuint base = glGenLists(256);
        wglUseFontBitmapsA(wglGetCurrentDC(), 0, 255, base);
        const auto ours = drawn(fonts, font, font.listBase), theirs = drawn(fonts, font, base);
        int lit = 0;
        for (unsigned char v : ours) lit += v > 0;
        // Ours keep the blank glyph's advance: the pen moves on a space.
        GLfloat before[4], after[4];
        fonts.print(font.key, 10, 200, "");
        glGetFloatv(GL_CURRENT_RASTER_POSITION, before);
        fonts.print(font.key, 10, 200, " ");
        glGetFloatv(GL_CURRENT_RASTER_POSITION, after);
        const bool same = ours == theirs && lit > 50 && after[0] - before[0] >= 2;
        std::printf("%-8s %s (%d pixels)\n", font.key, same ? "same" : "DIFFERENT", lit);
        failures += !same;
    }
    window->close();
    return failures == 0 && fonts.count() == 6 ? 0 : 1;
}
