#pragma once
// The greetings scene: the third segment.
// Model "data//scenery.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoGreet : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
