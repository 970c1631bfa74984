#pragma once
// The first forest animation (reported as demoForan): the sixth segment, on
// "data//forrest6.3ds". Its clock runs at half speed, so the segment's 44 s
// are about 22 s of scene time. The camera follows "ukko" through three
// phases (switching at 7.5 and 15.5 s of scene time, white flash at the
// first switch), six flames stream past "wall", "laser" and the "To" meshes
// build up as wireframe, "scanner" zooms in from 15 s and a white-out runs
// from 21 s.
#include "scenes/forest_common.h"
#include "scenes/scene_framework.h"

class demoForan : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // Camera phases, scene seconds: follow "ukko", look at "wall", follow again.
    static constexpr float wallPhase = 7.5f;
    static constexpr float lastPhase = 15.5f;
};
