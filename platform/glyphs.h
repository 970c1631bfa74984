#pragma once
// platform::rasterizeFont: 1-bit glyph bitmaps for the bitmap-font text,
// standing in for the original platform's TrueType font rasterisation.
//
// Faces are found with fontconfig and rendered with FreeType:
//   "Arial"  -> a metric-compatible face (Liberation Sans);
//   "Impact" -> an explicitly chosen bold condensed face (DejaVu Sans
//               Condensed Bold), falling back to Liberation Sans, because
//               fontconfig's own answer for it here is unusable;
//   others   -> whatever fontconfig matches for the name.
//
// Sizes follow the original font request: `height` is the character cell
// height in pixels (ascent + descent of the face), `width` the average
// character width in pixels (0 keeps the face's own proportions), `weight`
// 0..1000 (400 regular, 700 bold). Codes 0..254 are characters of the ANSI
// code page (Windows-1252); codes without a glyph in the face get the face's
// missing-glyph shape.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One glyph laid out for glBitmap: rows bottom-up, (width + 7) / 8 bytes a
// row, most significant bit leftmost. `bits` is never empty, so a glyph of
// size 0 still has a valid data pointer.
struct GlyphBitmap {
    int width = 0;                 // pixels
    int height = 0;                // pixels
    float xorig = 0.0f;            // pen position measured from the bitmap's
    float yorig = 0.0f;            // lower-left corner (glBitmap's origin)
    float advance = 0.0f;          // pen advance to the right, whole pixels
    std::vector<std::uint8_t> bits = std::vector<std::uint8_t>(1, 0);
};

struct GlyphFont {
    std::string file;              // face file used; empty when none could be loaded
    int ascent = 0;                // pixels above the baseline
    int descent = 0;               // pixels below the baseline
    GlyphBitmap glyphs[255];       // codes 0..254
};

// Fills `out`. False when no face could be found or loaded; every glyph is
// then empty with advance 0, so text in that font draws nothing.
bool rasterizeFont(const char* face, int height, int width, int weight, GlyphFont& out);

// The face file fontconfig (or the explicit choice above) gives for a face
// name and weight; empty when there is none. `index` receives the face index
// inside the file.
std::string findFontFile(const char* face, int weight, int* index);

// Unicode code point of an ANSI (Windows-1252) code; 0 for the five codes
// that page leaves undefined.
std::uint32_t ansiToUnicode(std::uint8_t code);

}  // namespace platform
