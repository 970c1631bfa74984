#pragma once
// Second forest animation: the seventh segment (class demoForan in
// the loading messages).
// Model "data//fordrop.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoForanTwo : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
