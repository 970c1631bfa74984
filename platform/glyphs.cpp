#include "platform/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace platform {

namespace {

// Windows-1252 codes 0x80..0x9F; 0 where the code page has no character.
const std::uint16_t ansiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Letter frequencies (per 1000) that define a face's average character
// width, the measure a width request is matched against; the same for every
// face, whatever its own metrics table holds.
const int letterWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20,
                               56, 56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2};
const int spaceWeight = 166;

// Weighted average advance of a..z and space in font units; 0 if unknown.
double averageCharWidth(FT_Face face) {
    double sum = 0.0;
    for (int i = 0; i <= 26; ++i) {
        const FT_ULong code = i < 26 ? FT_ULong('a' + i) : FT_ULong(' ');
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0) return 0.0;
        sum += double(face->glyph->advance.x) * (i < 26 ? letterWeights[i] : spaceWeight);
    }
    return sum / 1000.0;
}

int clampWeight(int weight) {
    if (weight <= 0) return 400;   // "don't care" means regular
    return weight > 1000 ? 1000 : weight;
}

bool hasFamily(FcPattern* pattern, const char* family) {
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
        if (strcasecmp(reinterpret_cast<const char*>(value), family) == 0) return true;
    return false;
}

// A numeric property, stored as an integer or a double.
bool numberOf(FcPattern* pattern, const char* property, double* value) {
    int integer = 0;
    if (FcPatternGetDouble(pattern, property, 0, value) == FcResultMatch) return true;
    if (FcPatternGetInteger(pattern, property, 0, &integer) != FcResultMatch) return false;
    *value = integer;
    return true;
}

// Best scalable match for family / weight (OpenType scale) / width (0: any).
// With `strict`, the match must really be that family (and width).
std::string matchFile(const char* family, int weight, int width, bool strict, int* index) {
    std::string file;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return file;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(clampWeight(weight)));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    if (width) FcPatternAddInteger(pattern, FC_WIDTH, width);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* path = nullptr;
        double matchedWidth = 0.0;
        bool acceptable = true;
        if (strict) {
            acceptable = hasFamily(match, family);
            // Any narrower-than-normal width will do.
            if (width && (!numberOf(match, FC_WIDTH, &matchedWidth) || matchedWidth >= FC_WIDTH_NORMAL))
                acceptable = false;
        }
        if (acceptable && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
            file = reinterpret_cast<const char*>(path);
            if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

// Copies a rendered 1-bit FreeType bitmap into glBitmap's layout.
void takeBitmap(const FT_GlyphSlot slot, GlyphBitmap& glyph) {
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = std::round(slot->advance.x / 64.0f);
    glyph.width = 0;
    glyph.height = 0;
    glyph.xorig = 0.0f;
    glyph.yorig = 0.0f;
    glyph.bits.assign(1, 0);
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.width == 0 || bitmap.rows == 0 ||
        !bitmap.buffer)
        return;

    const int width = static_cast<int>(bitmap.width);
    const int rows = static_cast<int>(bitmap.rows);
    const int rowBytes = (width + 7) / 8;
    const int pitch = bitmap.pitch;
    const int stride = pitch < 0 ? -pitch : pitch;
    if (stride < rowBytes) return;
    // A negative pitch means the buffer holds the rows bottom-up.
    const std::uint8_t* top = pitch >= 0 ? bitmap.buffer : bitmap.buffer + (rows - 1) * stride;

    glyph.bits.assign(static_cast<std::size_t>(rowBytes) * rows, 0);
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* source = top + static_cast<std::ptrdiff_t>(rows - 1 - r) * pitch;
        std::memcpy(&glyph.bits[static_cast<std::size_t>(r) * rowBytes], source, rowBytes);
    }
    bool blank = true;
    for (std::uint8_t byte : glyph.bits) blank = blank && byte == 0;
    if (blank) {   // e.g. a space: keep only the advance
        glyph.bits.assign(1, 0);
        return;
    }
    glyph.width = width;
    glyph.height = rows;
    glyph.xorig = static_cast<float>(-slot->bitmap_left);
    glyph.yorig = static_cast<float>(rows - slot->bitmap_top);
}

}  // namespace

std::uint32_t ansiToUnicode(std::uint8_t code) {
    if (code >= 0x80 && code < 0xA0) return ansiHigh[code - 0x80];
    return code;
}

std::string findFontFile(const char* face, int weight, int* index) {
    // fontconfig keeps global state from its first use; this layer is its
    // only user, so it is released once at exit (keeps leak checks clean).
    static const bool releaseAtExit = std::atexit(FcFini) == 0;
    (void)releaseAtExit;
    int unused = 0;
    if (!index) index = &unused;
    *index = 0;
    if (!face) return std::string();
    if (std::strcmp(face, "Impact") == 0) {
        // A heavy, narrow display face: take a bold condensed one explicitly.
        std::string file = matchFile("DejaVu Sans", 700, FC_WIDTH_CONDENSED, true, index);
        if (file.empty()) file = matchFile("Liberation Sans", 700, 0, false, index);
        return file;
    }
    return matchFile(face, weight, 0, false, index);
}

bool rasterizeFont(const char* face, int height, int width, int weight, GlyphFont& out) {
    out = GlyphFont();
    if (height <= 0 || width < 0) return false;
    int index = 0;
    const std::string file = findFontFile(face, weight, &index);
    if (file.empty()) return false;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face ftFace = nullptr;
    bool ok = FT_New_Face(library, file.c_str(), index, &ftFace) == 0;
    ok = ok && FT_IS_SCALABLE(ftFace) && ftFace->units_per_EM > 0;
    if (ok) FT_Select_Charmap(ftFace, FT_ENCODING_UNICODE);

    if (ok) {
        // The cell height is what the original request means by height: the
        // face's Windows ascent + descent, else its ascender - descender.
        const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2));
        double ascentUnits = ftFace->ascender;
        double cellUnits = ftFace->ascender - ftFace->descender;
        if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            cellUnits = os2->usWinAscent + os2->usWinDescent;
        }
        if (cellUnits <= 0) cellUnits = ftFace->units_per_EM;
        const double emY = height * ftFace->units_per_EM / cellUnits;
        double emX = emY;
        const double average = width > 0 ? averageCharWidth(ftFace) : 0.0;
        if (average > 0.0) emX = width * static_cast<double>(ftFace->units_per_EM) / average;
        ok = FT_Set_Char_Size(ftFace, static_cast<FT_F26Dot6>(std::lround(emX * 64.0)),
                              static_cast<FT_F26Dot6>(std::lround(emY * 64.0)), 72, 72) == 0;
        out.ascent = static_cast<int>(std::lround(ascentUnits * emY / ftFace->units_per_EM));
        out.descent = height - out.ascent;
    }

    if (ok) {
        out.file = file;
        for (int code = 0; code < 255; ++code) {
            const std::uint32_t point = ansiToUnicode(static_cast<std::uint8_t>(code));
            const FT_UInt glyphIndex = point ? FT_Get_Char_Index(ftFace, point) : 0;
            if (FT_Load_Glyph(ftFace, glyphIndex, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
                continue;
            takeBitmap(ftFace->glyph, out.glyphs[code]);
        }
    }

    if (ftFace) FT_Done_Face(ftFace);
    FT_Done_FreeType(library);
    if (!ok) out = GlyphFont();
    return ok;
}

}  // namespace platform
