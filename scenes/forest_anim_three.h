#pragma once
// The third forest animation (reported as demoForan): the eighth segment,
// on "data//foreye.3ds", at most 30 s of scene time. The eye advances
// straight ahead for 24 s and then circles; with a "wall" mesh the camera
// looks at it and six fire sprites climb in front of it while shrinking to
// nothing over the first 10 s. Wireframe build-up from 15 s, surface
// build-up from 25 s, "scanner" bursts from 15 s, white fades at 0 and 25 s.
//
// The finale is built on the same plan; the init and animation steps the
// two share live here.
#include "engine/vector.h"
#include "scenes/scene_framework.h"

enum class demoForestPlan { third, finale };

// Init steps after the model is loaded: marked meshes, "To" wireframes,
// "wt", the lights (two named "light0": only the first is ever found by
// name), "uf" surface builds (third only), wave meshes, "tr" transparency,
// "etext" (finale only), camera.
void demoInitForestThree(demoSceneCommon& scene, demoForestPlan plan);

// The per-frame animation up to the camera eye: shared forest steps, the
// look-at point on "wall", the main light, the fire sprites (size base
// `spriteBase`, only with "wall") and the turning "build".
void demoAnimateForestThree(demoSceneCommon& scene, float t, float spriteBase);

class demoForanThree : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // Fire sprite size base: 150 - 15 t, floored at 0.01 (from t = 10).
    static float spriteBase(float t);
    // Camera eye at scene time t: straight ahead until orbitStart, then circling.
    static Qu::Vector eyeAt(float t);
    static constexpr float orbitStart = 24.0f;
};
