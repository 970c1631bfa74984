#pragma once
// The forest finale (reported as demoForrest, like the opening, but its own
// class): the last segment, on "data//forende.3ds", up to the end of the
// demo about 65 s into the scene. Built on the third forest animation's
// plan with its own eye path, fire sprites that shrink in two stages, zoom
// bursts of "keu4", "keu5" and "keu6", the "etext" band sliding across the
// screen from 35 s, and a darkening fade from 52 s that stays black.
#include "engine/vector.h"
#include "scenes/scene_framework.h"

class demoForrestFinale : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // Fire sprite size base: 150 - 5 t, falling 8 a second faster after
    // 14 s, floored at 0.01 (near 20.2 s).
    static float spriteBase(float t);
    // Camera eye: ahead until 24 s, a first orbit until 41 s, then a wider one.
    static Qu::Vector eyeAt(float t);
    // The "etext" band's rectangle at t (x1, y1, x2, y2): 12000 units long,
    // entering at x = 1300 at 35 s and sliding left 700 units a second.
    static void etextBand(float t, float rect[4]);

    static constexpr float firstOrbit = 24.0f;
    static constexpr float secondOrbit = 41.0f;
};
