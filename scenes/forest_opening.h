#pragma once
// demoForrest: the forest opening, the first segment of the timeline.
//
// Model "data//forresta.3ds". A camera glides over the forest (along a
// fixed path, or around the mesh "wall" when the model has one) while the
// sky drifts, the water ripples and its texture sways together with the
// texture of "win1". Fog layers zoom over everything; a fade-in with a zoom
// flash of "keu4" opens it, two widening "tx5" bands and a fade-out end it.
//
// Meshes used, each optional: "stc", "bg1", "fars", "sky1", "water", "win1",
// "wall". Times are scene seconds (0 at the scene's first frame).
#include <vector>

#include "scenes/scene_framework.h"
#include "scenes/screen_overlay.h"

class demoForrest : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    using Overlay = demoOverlay;
    // The screen overlays of scene time t, in drawing order.
    static std::vector<Overlay> overlays(float t);
};
