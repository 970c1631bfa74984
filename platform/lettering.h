#pragma once
// platform::renderLettering: one line of antialiased text as a coverage
// mask, for the data generator's textures (titles, bands, plates).
//
// Faces are found like the bitmap fonts' (platform/glyphs.h findFontFile):
// a face name and a weight, "Impact" meaning a bold condensed face.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct Lettering {
    int width = 0;                       // pixels
    int height = 0;                      // pixels: ascent + descent of the face
    int baseline = 0;                    // rows from the top to the baseline
    std::vector<std::uint8_t> coverage;  // width * height, top row first, 0..255
};

// text: UTF-8; pixelSize: em size in pixels (1..1000); tracking: extra
// pixels between letters. False (and an empty mask) when no face can be
// loaded or the arguments are out of range.
bool renderLettering(const char* face, int weight, int pixelSize, const std::string& text,
                     int tracking, Lettering& out);

}  // namespace platform
