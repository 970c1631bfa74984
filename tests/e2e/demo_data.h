#pragma once
// A small but complete data folder for running the whole demo in tests:
// tiny TGAs under every name the demo loads, nine one-mesh 3DS models and a
// short MP3. Made with the content generator's writers.
//
// The loading picture "load.tga" is recognisable on screen: its top half
// is loadTopColour, its bottom half loadBottomColour. Every model holds a
// large textured ground plane ("ground", checker of groundColour and black)
// seen from above along the opening's camera path.
#include <cstdint>
#include <string>
#include <vector>

namespace demodata {

constexpr std::uint8_t loadTopColour[3] = {255, 128, 0};
constexpr std::uint8_t loadBottomColour[3] = {0, 64, 255};
constexpr std::uint8_t groundColour[3] = {40, 220, 60};

struct Options {
    std::vector<std::string> omit;   // file names under data/ not to write (e.g. "forresta.3ds")
    double musicSeconds = 0.5;
};

// Writes ROOT/data/... . False with a reason in *error.
bool write(const std::string& root, const Options& options, std::string* error);

}  // namespace demodata
