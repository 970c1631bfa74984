#pragma once
// The second forest animation (reported as demoForan): the seventh
// segment, on "data//fordrop.3ds", about 11 s. It opens out of the previous
// scene's white-out, follows "laser" with an eye that drifts back, rises
// and sways while looking at the laser, carries the main light along with
// it, streams five flames past "wall" and from 5 s builds the laser up as
// wireframe. GL_LIGHT1 stays enabled; its second light named "light0" is
// never reached by name and stays where init put it.
#include "scenes/scene_framework.h"

class demoForanTwo : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    // Scene seconds after which the laser's wireframe builds, 40 faces a second.
    static constexpr float buildStart = 5.0f;
};
