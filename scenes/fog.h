#pragma once
// demoFog: the fog scene, the second segment of the timeline, and the only
// scene the F1 and F2 switches reach.
//
// Model "data//asmtest2.3ds". The eye swings on a wide path looking near
// the origin; meshes named "to..." circle a point 160 units ahead of the
// eye, "ball" flies a Lissajous path, the logos bob and wobble, the water
// ripples, and every item named "ba..." (so "ball" and "ball2" too) is a
// wireframe that builds up for 15 s and then unbuilds. Title bands "tx1" to
// "tx4" slide over it, a zoom flash of "keu6" fires at 20 s, flashes mark
// 25, 28 and 31 s and the picture fades out from 34 s.
//
// Times are scene seconds (0 at the scene's first frame).
#include <vector>

#include "scenes/scene_framework.h"
#include "scenes/screen_overlay.h"

class demoFog : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    using Overlay = demoOverlay;
    // The screen overlays of scene time t, in drawing order.
    static std::vector<Overlay> overlays(float t);
    // Faces shown by the wireframe build at scene time t (peaks at 3000 at
    // 15 s, 0 at 30 s, negative after).
    static float buildCount(float t);

    int overlaySwitch = 0;   // 1 after init; flipped by F1 (main then resets the fog layers)
    int worldVisible = 0;    // 1 after init; flipped by F2; the world is drawn while > 0
};
