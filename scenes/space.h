#pragma once
// demoSpace: the space scene, the fourth segment of the timeline.
//
// Model "data//space.3ds". The camera rides along with the mesh "ufot":
// the eye weaves a few units around it while looking just beside it, and
// the sprite light "light3" glows on it. Items named "uf..." build up face
// by face as wireframe and surface, items named "To..." as wireframe only;
// the sky streams. The world is drawn additively, then its flares. A
// fade-in opens the scene, a flash marks 17 s, a zoom flash of "keu5"
// swells from 25 s, and the picture fades out from 41 s.
//
// Times are scene seconds (0 at the scene's first frame).
#include <vector>

#include "scenes/scene_framework.h"
#include "scenes/screen_overlay.h"

class demoSpace : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    using Overlay = demoOverlay;
    // The screen overlays of scene time t, in drawing order.
    static std::vector<Overlay> overlays(float t);
};
