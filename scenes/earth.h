#pragma once
// The earth scene: the fifth segment (given the clock's raw
// milliseconds; the scene clock re-bases them like any other).
// Model "data//earth.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoEarth : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
