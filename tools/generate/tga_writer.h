#pragma once
// Writes uncompressed true-colour TGA files (image type 2, 24 bits, no ID
// field, no colour map) as the engine's reader expects them.
//
// Pixels are given top row first, as a picture is painted; the file stores
// rows bottom-up (descriptor origin bits 0), so the first row in the file is
// the bottom of the picture and texture coordinate v = 0 lands there.
#include <cstdint>
#include <string>
#include <vector>

namespace gen {

// width, height: 1..65535 pixels; rgb: width * height * 3 bytes, top row
// first, red, green, blue per pixel. Returns the whole file image (18-byte
// header, then BGR pixels bottom row first); empty for bad sizes.
std::vector<std::uint8_t> encodeTga(int width, int height, const std::uint8_t* rgb);

// Writes encodeTga() to `path`. On failure returns false with a one-line
// reason in *error (when error is not null).
bool writeTga(const std::string& path, int width, int height, const std::uint8_t* rgb,
              std::string* error);

}  // namespace gen
