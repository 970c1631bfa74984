#pragma once
// Qu::Light: an item of kind 4 that sets an OpenGL light and/or draws a
// flare sprite centred on its eye position.
#include <cstdint>

#include "resources/model.h"

namespace Qu {

class Camera;
class TextureKey;

class Light : public Item {
public:
    Light();

    void setColors(float diffuseRed, float diffuseGreen, float diffuseBlue,
                   float ambientRed, float ambientGreen, float ambientBlue);
    void setSize(float s) { size = s; }
    // eyePosition := (offset·(matrix × C)) + (position - E)·C for the
    // camera's basis C and eye E; position is never changed.
    void transform(Camera* camera);

    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {0, 0, 0};
    Matrix matrix;
    TextureKey* texture = nullptr;   // sprite image; null: no sprite
    Vector position;
    Vector workPosition;
    Vector offset;
    Vector eyePosition;
    std::int32_t spriteOnly = 0;
    float size = 0.0f;               // sprite edge length in eye units
    std::int32_t glLight = 0;        // passed to GL unchanged (may be invalid)
};

}  // namespace Qu
