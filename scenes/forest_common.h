#pragma once
// What the scenes on the forest models share (the three forest animations,
// the finale and the earth scene): the flame lights, the per-frame mesh
// animation, light moves by name, the star slot, the zoom bursts and the
// "wt" fades. These draw at once with the scene's renderer rather than
// through an overlay list. Times are scene seconds; rectangles are
// screen-quad coordinates (x1, y1, x2, y2).
#include <cstdint>

#include "scenes/scene_framework.h"

namespace Qu {
class Object;
}  // namespace Qu

// The first init marks: "stc" and "sky1" transparent, "bg1" and "fars"
// double-sided, all grey 0.5 (absent meshes skipped).
void demoMarkForestBackdrop(demoSceneCommon& scene);

// A sprite-only flame light "fireN" (N = fire, 1..3) at (30, 30, 30) with
// offset (30, 30, 30); `number` is its GL number (123.., not an enumerant).
demoLightSpec demoFlameLight(const char* name, int fire, std::int32_t number, float size);
// The six flames "light12" to "light17", fires 1, 2, 3, 1, 2, 3, GL numbers
// 123 to 128, all of one size, added in that order.
void demoAddFlameLights(demoSceneCommon& scene, float size);
// Position or size of the scene's first light of that name; nothing when absent.
void demoMoveLight(demoSceneCommon& scene, const char* name, float x, float y, float z);
void demoSizeLight(demoSceneCommon& scene, const char* name, float size);
void demoPlaceLight(demoSceneCommon& scene, const char* name, float x, float y, float z,
                    float size);

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
// Four drawQuads of `key` on the zoom rectangles of `factors` (see
// demoZoomRects), alpha alphas[i].
void demoZoomQuads(demoSceneCommon& scene, const char* key, const float factors[4],
                   const float alphas[4]);
// The two slowly widening "starslot" quads, alpha 0.2 each.
void demoStarSlot(demoSceneCommon& scene, float t);
// Zoom burst of `key`: the full screen with alpha `full`, then three
// rectangles R1 = f x full screen (a1), R2 = 1.01 f x R1 (a2), R3 = 1.02 f x R2 (a2).
void demoZoomBurst(demoSceneCommon& scene, const char* key, float f, float full, float a1,
                   float a2);
// drawBlendQuad of "wt" on the fade rectangle.
void demoFade(demoSceneCommon& scene, float alpha, std::int32_t mode);
