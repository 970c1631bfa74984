#pragma once
// First forest animation: the sixth segment.
// Model "data//forrest6.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoForan : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
