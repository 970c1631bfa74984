#pragma once
// FogLayers: four textured layers that zoom towards the viewer over every
// scene's world. Each layer's depth runs from 9 down to 1 at 2 units per
// second of scene time and then jumps back to 9; a layer is brightest at
// depth 5 and invisible at 1 and 9. The texture offsets drift with time.
//
// Times are scene seconds (float). Drawn additively (drawScrollQuad) with
// the textures "fogz1" (layers 0 and 2) and "fogz2" (layers 1 and 3); a
// texture missing from the library skips its layer's quad, not its motion.
#include "engine/list.h"

namespace Qu {
class TextureLibrary;
}
class Renderer;

struct FogLayer {
    float depth;   // 1..9
    float u, v;    // texture offset
    float du, dv;  // drift per second
};

class FogLayers {
public:
    FogLayers() = default;
    ~FogLayers();
    FogLayers(const FogLayers&) = delete;
    FogLayers& operator=(const FogLayers&) = delete;

    // Four layers at depths 2, 4, 6, 8; started = 1, reset = 0. Always true.
    bool init();
    // One frame: time step from the previous draw (none on the first draw
    // or right after reset was set), each layer drawn, drifted and moved.
    void draw(float time, Qu::TextureLibrary* textureLibrary, Renderer* renderer, float alpha);

    // Opacity of a layer at `depth`: 1 at 5, 0 at 1 and 9, times alpha.
    static float opacity(float depth, float alpha);

    int count = 0;
    int reset = 0;        // 1: the next draw takes no time step
    int started = 0;      // 1 until the first draw
    float startTime = 0.0f;
    float lastElapsed = 0.0f;
    float step = 0.0f;
    Qu::List<FogLayer> layers;   // owned records, index order 0..3
};
