#pragma once
// The earth scene (demoEarth): the fifth segment, on "data//earth.3ds".
// The shell hands it the clock's raw milliseconds instead of demo time; the
// scene clock re-bases on the first frame, so it plays the same.
//
// The camera looks at "earth" from an eye swinging widely around "ufot"
// (around the origin when the model has no "ufot"); "as" meshes tumble;
// "ufo" and the "To" meshes build up as wireframe; a four-layer "solar"
// star field zooms behind everything; the cards "pilo" (10 to 23 s) and
// "pilo2" (from 17 s) open and fade in turn; fade in over 6 s, fade out
// from 24 s, black from 27 s.
#include "scenes/scene_framework.h"

class demoEarth : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

private:
    void drawCards(float t);
};
