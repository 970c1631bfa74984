#pragma once
// Third forest animation: the eighth segment (class demoForan in
// the loading messages).
// Model "data//foreye.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoForanThree : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);
};
