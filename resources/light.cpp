#include "resources/light.h"

#include "resources/camera.h"

namespace Qu {

Light::Light()
    : position(0.0, 0.0, 0.0),
      workPosition(0.0, 0.0, 0.0),
      offset(0.0, 0.0, 0.0),
      eyePosition(0.0, 0.0, 0.0) {
    matrix.identity();
}

void Light::setColors(float diffuseRed, float diffuseGreen, float diffuseBlue,
                      float ambientRed, float ambientGreen, float ambientBlue) {
    diffuse[0] = diffuseRed;
    diffuse[1] = diffuseGreen;
    diffuse[2] = diffuseBlue;
    ambient[0] = ambientRed;
    ambient[1] = ambientGreen;
    ambient[2] = ambientBlue;
}

void Light::transform(Camera* camera) {
    const Matrix& basis = camera->matrix;
    const Vector& eye = camera->eye;
    Matrix turn = matrix;
    turn.multiply(basis);
    workPosition.transform(position.x - eye.x, position.y - eye.y, position.z - eye.z, basis);
    eyePosition.transform(offset.x, offset.y, offset.z, turn);
    eyePosition.x += workPosition.x;
    eyePosition.y += workPosition.y;
    eyePosition.z += workPosition.z;
    workPosition = position;
}

}  // namespace Qu
