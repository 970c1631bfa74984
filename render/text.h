#pragma once
// Bitmap-font text: each font is rasterised once into 256 display lists,
// list `listBase + c` drawing character code c (ANSI code page) with its pen
// advance; code 255 is an empty list. A string is drawn by calling the lists
// of its bytes at a raster position.
//
// Positions are window pixels: x from the left edge, y downward from a line
// 600 pixels above the bottom edge (fixed, whatever the window height); the
// baseline of the text lies one font height below (x, y).
//
// Needs a current GL context from construction of the fonts on. Fonts and
// their lists are never released while the demo runs.
#include <cstdint>

#include "engine/ptr_array.h"

namespace Qu {

struct Font {
    std::int32_t height = 0;      // character cell height, pixels
    std::int32_t width = 0;       // average character width, pixels
    const char* key = nullptr;    // lookup name; constant text, not owned
    std::uint32_t listBase = 0;   // first of 256 display lists; 0: none
};

class FontSet {
public:
    // `deviceContext` is what the platform gives for the window's drawing
    // surface (null when there is none); kept, not owned.
    explicit FontSet(void* deviceContext);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // The six fonts of the fixed table, in order; index 0 ("Arial") is the
    // default font.
    void loadFonts();
    // One font: 256 lists, glyphs of codes 0..254 of the face at the given
    // cell height, average width and weight (0..1000).
    Font* createFont(const char* face, const char* key, std::int32_t width, std::int32_t height,
                     std::int32_t weight);
    // Null key: the first font (null when the set is empty). Otherwise the
    // first font whose key is equal, case-sensitively; null when none.
    Font* findFont(const char* key) const;

    // Draws text in the current colour. Nothing happens for a null text or
    // an unknown key. Leaves texturing on and blending, lighting and face
    // culling off.
    void print(const char* key, int x, int y, const char* text);
    // Sets the current colour to (r, g, b, 1) first; the colour stays set.
    void printColored(const char* key, int x, int y, float r, float g, float b, const char* text);

    std::int32_t count() const { return fonts.size(); }
    Font* at(std::int32_t i) const { return static_cast<Font*>(fonts.at(i)); }

    void* deviceContext;

private:
    PtrArray fonts;   // owns the Font records
};

}  // namespace Qu
