#pragma once
// The fog scene: the second segment; the only scene the F1 and F2
// switches reach.
// Model "data//asmtest2.3ds". Follows the framework's recipes: model, fog
// layers, camera and its world pass.
#include "scenes/scene_framework.h"

class demoFog : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer);
    bool render(float timeMs);

    int overlaySwitch = 0;   // 1 after init; flipped by F1
    int worldVisible = 0;    // 1 after init; flipped by F2; the world is drawn while > 0
};
