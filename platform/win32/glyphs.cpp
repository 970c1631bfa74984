// Windows: glyphs come from GDI's own TrueType rasteriser. A font is created
// with CreateFont exactly as requested and selected into the current GL
// window's device context (it stays selected, as the last font created
// does); each code's 1-bit bitmap and metrics are what wglUseFontBitmaps
// takes from GetGlyphOutline(GGO_BITMAP) for its display lists.
#include "platform/glyphs.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace platform {

namespace {

HFONT createFont(const char* face, int height, int width, int weight) {
    return CreateFontA(height, width, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, face);
}

// The window's device context when a WGL context is current, else a memory
// one of the screen's (released by the destructor).
struct FontContext {
    HDC dc = wglGetCurrentDC();
    bool own = false;
    FontContext() {
        if (!dc) {
            dc = CreateCompatibleDC(nullptr);
            own = dc != nullptr;
        }
    }
    ~FontContext() {
        if (own) DeleteDC(dc);
    }
};

// GGO_BITMAP rows are top-down and padded to 4 bytes; glBitmap's here are
// bottom-up and byte-aligned.
void copyGlyph(const GLYPHMETRICS& metrics, const std::vector<std::uint8_t>& source, GlyphBitmap& glyph) {
    const int width = int(metrics.gmBlackBoxX), height = int(metrics.gmBlackBoxY);
    const std::size_t sourceRow = (std::size_t(width) + 31) / 32 * 4;
    const std::size_t row = (std::size_t(width) + 7) / 8;
    if (source.size() < sourceRow * std::size_t(height)) return;
    glyph.width = width;
    glyph.height = height;
    glyph.xorig = float(-metrics.gmptGlyphOrigin.x);
    glyph.yorig = float(height - metrics.gmptGlyphOrigin.y);
    glyph.bits.assign(std::max<std::size_t>(1, row * std::size_t(height)), 0);
    for (int y = 0; y < height; ++y) {
        std::memcpy(glyph.bits.data() + row * std::size_t(height - 1 - y), source.data() + sourceRow * std::size_t(y),
                    row);
    }
}

}  // namespace

bool rasterizeFont(const char* face, int height, int width, int weight, GlyphFont& out) {
    out = GlyphFont();
    FontContext context;
    HFONT font = createFont(face, height, width, weight);
    if (!context.dc || !font) {
        if (font) DeleteObject(font);
        return false;
    }
    HGDIOBJ previous = SelectObject(context.dc, font);

    char name[LF_FACESIZE] = "";
    GetTextFaceA(context.dc, sizeof name, name);
    out.file = name;
    TEXTMETRICA metrics{};
    if (GetTextMetricsA(context.dc, &metrics)) {
        out.ascent = int(metrics.tmAscent);
        out.descent = int(metrics.tmDescent);
    }

    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    std::vector<std::uint8_t> buffer;
    for (int code = 0; code < 255; ++code) {
        GLYPHMETRICS glyphMetrics{};
        DWORD needed = GetGlyphOutlineA(context.dc, UINT(code), GGO_BITMAP, &glyphMetrics, 0, nullptr, &identity);
        if (needed == GDI_ERROR) continue;
        GlyphBitmap& glyph = out.glyphs[code];
        glyph.advance = float(glyphMetrics.gmCellIncX);
        // Blank glyphs (the space) have no bitmap, only an advance.
        if (needed == 0) continue;
        buffer.assign(needed, 0);
        if (GetGlyphOutlineA(context.dc, UINT(code), GGO_BITMAP, &glyphMetrics, needed, buffer.data(), &identity) ==
            GDI_ERROR)
            continue;
        copyGlyph(glyphMetrics, buffer, glyph);
    }

    // On the window's context the font stays selected; a memory context
    // goes away, and its font with it.
    if (context.own) {
        SelectObject(context.dc, previous);
        DeleteObject(font);
    }
    return true;
}

// A face here is a name GDI resolves, not a file: the name of the face GDI
// gives for the request.
std::string findFontFile(const char* face, int weight, int* index) {
    if (index) *index = 0;
    FontContext context;
    HFONT font = createFont(face, 18, 0, weight);
    if (!context.dc || !font) {
        if (font) DeleteObject(font);
        return std::string();
    }
    HGDIOBJ previous = SelectObject(context.dc, font);
    char name[LF_FACESIZE] = "";
    GetTextFaceA(context.dc, sizeof name, name);
    SelectObject(context.dc, previous);
    DeleteObject(font);
    return name;
}

std::uint32_t ansiToUnicode(std::uint8_t code) {
    char byte = char(code);
    wchar_t wide = 0;
    if (MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) != 1) return 0;
    // The page's five undefined codes map onto C1 controls of the same value.
    if (code >= 0x80 && code < 0xA0 && std::uint32_t(wide) == code) return 0;
    return std::uint32_t(wide);
}

}  // namespace platform
