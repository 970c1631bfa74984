#pragma once
// demoGreet: the greetings scene, the third segment of the timeline.
//
// Model "data//scenery.3ds". The eye travels along the z axis from -70,
// through the origin it looks at (at 35 s); meshes named "to..." circle a
// point 160 units ahead of the eye, "ball" flies its Lissajous path, the
// logos bob and wobble, "bg1" ripples sideways, and "wirus" with every item
// named "ba..." is a wireframe that builds up for 20 s, then unbuilds. From
// 10 s a long "greets2" band scrolls from right to left; from 5 s the title
// "greetings" pulses in the middle.
//
// Times are scene seconds (0 at the scene's first frame).
#include <vector>

#include "scenes/scene_framework.h"
#include "scenes/screen_overlay.h"

class demoGreet : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // A null key is a depth-buffer clear between overlays.
    using Overlay = demoOverlay;
    // The overlays of scene time t in drawing order: the greetings band
    // goes under the fog layers, the title and the fades over them.
    static std::vector<Overlay> underFogOverlays(float t);
    static std::vector<Overlay> overFogOverlays(float t);
    // Faces shown by the wireframe build: 400 a second up to 8000 at 20 s,
    // then 600 a second fewer.
    static float buildCount(float t);
};
