#pragma once
// Every texture the demo reads, painted from code with fixed seeds.
//
// How each is drawn decides its look: screen quads show (aT)^2 + D(1 - aT)
// (black is transparent, mid-tones darken), additive passes add, flare
// sprites appear turned 180 degrees, and the picture of a 3D view is
// mirrored (engine +x appears on the left).
#include <string>
#include <vector>

#include "tools/generate/picture.h"

namespace gen {

struct TextureJob {
    const char* file;        // file name under data/
    Picture (*paint)();
};

// Textures the program loads by key (loading picture, fades, fog, bands,
// flashes, sprites, scene overlays).
const std::vector<TextureJob>& screenTextures();
// Material maps of the nine models.
const std::vector<TextureJob>& materialTextures();

}  // namespace gen
