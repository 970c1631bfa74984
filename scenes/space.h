#pragma once
// The space scene: the fourth segment.
// Model "data//space.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoSpace : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
