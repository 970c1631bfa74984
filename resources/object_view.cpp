// The drawing-side operations of Qu::Object: the eye transform the
// renderers run every frame, and the colours of transparent objects.
#include "resources/camera.h"
#include "resources/model.h"

namespace Qu {

void Object::toEyeSpace(Camera* camera) {
    if (!camera) return;
    const Matrix& C = camera->matrix;
    // M = R·C: rotate by the object's orientation, then into the camera basis.
    Matrix M = matrix;
    M.multiply(C);
    Vector offset;
    offset.transform(position.x - camera->eye.x, position.y - camera->eye.y,
                     position.z - camera->eye.z, C);

    vertices.first();
    while (vertices.hasMore()) {
        Vertex* vertex = vertices.next();
        vertex->eyePosition.transform(vertex->position.x, vertex->position.y,
                                      vertex->position.z, M);
        vertex->eyePosition.x += offset.x;
        vertex->eyePosition.y += offset.y;
        vertex->eyePosition.z += offset.z;
        vertex->eyeNormal.transform(vertex->normal.x, vertex->normal.y, vertex->normal.z, M);
    }
    faces.first();
    while (faces.hasMore()) {
        Face* face = faces.next();
        face->eyeNormal.transform(face->normal.x, face->normal.y, face->normal.z, M);
    }
}

void Object::setColor(double r, double g, double b, double alpha) {
    faces.first();
    while (faces.hasMore()) {
        Face* face = faces.next();
        // Stored alpha first.
        face->color[0] = static_cast<float>(alpha);
        face->color[1] = static_cast<float>(r);
        face->color[2] = static_cast<float>(g);
        face->color[3] = static_cast<float>(b);
    }
}

void Object::setColorBlend(double r, double g, double b, double alpha, std::int32_t blend) {
    setColor(r, g, b, alpha);
    faces.first();
    while (faces.hasMore()) faces.next()->blend = blend;
}

}  // namespace Qu
