#include "platform/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

#include "platform/glyphs.h"

namespace platform {
namespace {

// Decodes UTF-8; malformed bytes become U+FFFD.
std::vector<std::uint32_t> codePoints(const std::string& text) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        std::uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) ok = false;
            code = (code << 6) | (next & 0x3F);
        }
        out.push_back(ok ? code : 0xFFFD);
        i += ok ? extra + 1 : 1;
    }
    return out;
}

}  // namespace

bool renderLettering(const char* face, int weight, int pixelSize, const std::string& text,
                     int tracking, Lettering& out) {
    out = Lettering();
    if (pixelSize < 1 || pixelSize > 1000 || tracking < -pixelSize || tracking > 1000) return false;
    int index = 0;
    const std::string file = findFontFile(face, weight, &index);
    if (file.empty()) return false;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face ftFace = nullptr;
    bool ok = FT_New_Face(library, file.c_str(), index, &ftFace) == 0 && FT_IS_SCALABLE(ftFace);
    if (ok) ok = FT_Select_Charmap(ftFace, FT_ENCODING_UNICODE) == 0;
    if (ok) ok = FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(pixelSize)) == 0;
    if (ok) {
        const int ascent = static_cast<int>((ftFace->size->metrics.ascender + 63) >> 6);
        const int descent = static_cast<int>((-ftFace->size->metrics.descender + 63) >> 6);
        out.baseline = ascent;
        out.height = std::max(1, ascent + descent);

        // First pass lays out pen positions, second pass draws.
        const std::vector<std::uint32_t> codes = codePoints(text);
        for (int pass = 0; pass < 2 && ok; ++pass) {
            long pen = 0;  // 26.6 fixed point
            FT_UInt previous = 0;
            for (std::size_t i = 0; i < codes.size(); ++i) {
                const FT_UInt glyph = FT_Get_Char_Index(ftFace, codes[i]);
                if (previous && glyph && FT_HAS_KERNING(ftFace)) {
                    FT_Vector kern;
                    if (FT_Get_Kerning(ftFace, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
                }
                previous = glyph;
                if (FT_Load_Glyph(ftFace, glyph, FT_LOAD_RENDER) != 0) continue;
                const FT_GlyphSlot slot = ftFace->glyph;
                if (pass == 1) {
                    const FT_Bitmap& bitmap = slot->bitmap;
                    const int left = static_cast<int>((pen + 32) >> 6) + slot->bitmap_left;
                    const int top = out.baseline - slot->bitmap_top;
                    for (unsigned row = 0; row < bitmap.rows; ++row) {
                        const int y = top + static_cast<int>(row);
                        if (y < 0 || y >= out.height) continue;
                        for (unsigned col = 0; col < bitmap.width; ++col) {
                            const int x = left + static_cast<int>(col);
                            if (x < 0 || x >= out.width) continue;
                            const std::uint8_t value = bitmap.buffer[row * bitmap.pitch + col];
                            std::uint8_t& target = out.coverage[static_cast<std::size_t>(y) * out.width + x];
                            target = std::max(target, value);
                        }
                    }
                }
                pen += slot->advance.x + (i + 1 < codes.size() ? tracking * 64L : 0);
            }
            if (pass == 0) {
                out.width = std::max(1, static_cast<int>((pen + 63) >> 6) + 2);
                out.coverage.assign(static_cast<std::size_t>(out.width) * out.height, 0);
            }
        }
    }
    if (ftFace) FT_Done_Face(ftFace);
    FT_Done_FreeType(library);
    if (!ok) out = Lettering();
    return ok;
}

}  // namespace platform
