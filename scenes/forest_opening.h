#pragma once
// The forest opening: the first segment of the timeline.
// Model "data//forresta.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoForrest : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
