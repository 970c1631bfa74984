#pragma once
// The first forest animation (reported as demoForan): the sixth segment, on
// "data//forrest6.3ds". Its clock runs at half speed, so the segment's 44 s
// are about 22 s of scene time. The camera follows "ukko" through three
// phases (switching at 7.5 and 15.5 s of scene time, white flash at the
// first switch), six flames stream past "wall", "laser" and the "To" meshes
// build up as wireframe, "scanner" zooms in from 15 s and a white-out runs
// from 21 s.
//
// This unit also holds the pieces that the scenes on the forest models
// share (the three forest animations, the finale and the earth scene):
// marking by name prefix, the per-frame mesh animation, the star slot, the
// zoom bursts and the "wt" fades. Times are scene seconds; rectangles are
// screen-quad coordinates (x1, y1, x2, y2).
#include <cstdint>

#include "scenes/scene_framework.h"

namespace Qu {
class Model;
class Object;
}  // namespace Qu

// Every item whose name begins with `prefix` (case-sensitive) gets `kind`,
// in list order.
void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind);
// The same, and mesh objects among them setColorBlend(r, g, b, a, blend).
void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind, double r,
                      double g, double b, double a, std::int32_t blend);

// A sprite-only flame light "fireN" (N = fire, 1..3) at (30, 30, 30) with
// offset (30, 30, 30); `number` is its GL number (123.., not an enumerant).
demoLightSpec demoFlameLight(const char* name, int fire, std::int32_t number, float size);

// Adds (du, dv) to the texture coordinates of all three corners of every face.
void demoScrollFaces(Qu::Object* object, float du, float dv);
// Vertex wave: y = rest y + height sin(speed t + a) cos(ez / 20 + b), with
// ez the vertex's eye z of the latest draw; a from 0 by 0.4 and b from 1 by
// 0.45 per vertex in list order.
void demoRippleMesh(Qu::Object* object, float t, float height, float speed);

// What differs between the forest animations in their shared steps.
struct demoForestWaves {
    float waterScroll;   // "water" drift per frame: frameDelta / waterScroll x sin(t / 3)
    float waterHeight;   // "water" wave height
    float waterSpeed;    // "water" wave speed, radians per second
};

// The shared animation steps, in order: "star", "texts" turn; frameDelta;
// "face" turns; "sky1" drifts; "logo1" and "logo2" bob; "water" and
// "water01" drift and ripple; "logo2" wobbles. Absent meshes are skipped.
void demoAnimateForest(demoSceneCommon& scene, float t, const demoForestWaves& waves);

// drawQuad of `key` (looked up now) on `rect` with every coordinate times k.
void demoQuadScaled(demoSceneCommon& scene, const char* key, const float rect[4], float k,
                    float alpha);
// The two slowly widening "starslot" quads, alpha 0.2 each.
void demoStarSlot(demoSceneCommon& scene, float t);
// Zoom burst of `key`: the full screen with alpha `full`, then three
// rectangles R1 = f x full screen (a1), R2 = 1.01 f x R1 (a2), R3 = 1.02 f x R2 (a2).
void demoZoomBurst(demoSceneCommon& scene, const char* key, float f, float full, float a1,
                   float a2);
// drawBlendQuad of "wt" on the fade rectangle.
void demoFade(demoSceneCommon& scene, float alpha, std::int32_t mode);

class demoForan : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // Camera phases, scene seconds: follow "ukko", look at "wall", follow again.
    static constexpr float wallPhase = 7.5f;
    static constexpr float lastPhase = 15.5f;
};
